#include "automation/dbus/ServedObject.h"

#include "automation/dbus/BusNames.h"
#include "automation/dbus/DBusErrorNames.h"
#include "automation/dbus/ProgressAnnouncer.h"
#include "automation/dbus/VariantWire.h"

#include <optional>

namespace {

// Method, property get and property put. No value travels by reference, so a
// put by reference (8) has no meaning on the bus and is refused like any other bit.
constexpr std::uint32_t kKnownInvokeFlags = 0x7;

const QString kIntrospectObject = QStringLiteral(
    "  <interface name=\"org.varnix.Automation.Dispatch\">\n"
    "    <method name=\"GetIDsOfNames\">\n"
    "      <arg name=\"name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"hresult\" type=\"i\" direction=\"out\"/>\n"
    "      <arg name=\"dispid\" type=\"i\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"Invoke\">\n"
    "      <arg name=\"dispid\" type=\"i\" direction=\"in\"/>\n"
    "      <arg name=\"flags\" type=\"u\" direction=\"in\"/>\n"
    "      <arg name=\"args\" type=\"a(qv)\" direction=\"in\"/>\n"
    "      <arg name=\"hresult\" type=\"i\" direction=\"out\"/>\n"
    "      <arg name=\"result\" type=\"(qv)\" direction=\"out\"/>\n"
    "      <arg name=\"excepinfo\" type=\"(qiayayayu)\" direction=\"out\"/>\n"
    "      <arg name=\"argerr\" type=\"u\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"Release\"/>\n"
    "    <method name=\"WatchProgress\">\n"
    "      <arg name=\"wanted\" type=\"b\" direction=\"in\"/>\n"
    "    </method>\n"
    "    <signal name=\"Progress\">\n"
    "      <arg name=\"done\" type=\"t\"/>\n"
    "      <arg name=\"total\" type=\"t\"/>\n"
    "    </signal>\n"
    "  </interface>\n");

}  // namespace

ServedObject::ServedObject(QDBusConnection bus, QString path, QString owner, std::shared_ptr<Dispatchable> target,
                           ReleaseRequest release)
    : bus_(std::move(bus)),
      path_(std::move(path)),
      owner_(std::move(owner)),
      target_(std::move(target)),
      release_(std::move(release))
{
}

ServedObject::~ServedObject() = default;

bool ServedObject::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Introspectable")) return false;
    waiting_.push_back(message);
    if (serving_) return true;
    serving_ = true;
    while (!waiting_.empty()) {
        const QDBusMessage next = std::move(waiting_.front());
        waiting_.pop_front();
        Serve(next);
    }
    serving_ = false;
    return true;
}

void ServedObject::Serve(const QDBusMessage& message)
{
    if (released_)
        return Reply(message.createErrorReply(DBusErrorNames::kUnknownObject, QStringLiteral("no object at ") + path_));
    if (owner_ != message.service()) {
        return Reply(message.createErrorReply(DBusErrorNames::kAccessDenied,
                                              QStringLiteral("the object belongs to another connection")));
    }
    const QString interface = message.interface();
    if (!interface.isEmpty() && interface != BusNames::kDispatchInterface)
        return Reply(message.createErrorReply(DBusErrorNames::kUnknownMethod, QStringLiteral("no such interface")));
    const QString member = message.member();
    if (member == QLatin1String("Invoke")) return Invoke(message);
    if (member == QLatin1String("WatchProgress")) return WatchProgress(message);
    if (member == QLatin1String("GetIDsOfNames")) return GetIDsOfNames(message);
    if (member == QLatin1String("Release")) {
        released_ = true;
        return release_(message);
    }
    Reply(message.createErrorReply(DBusErrorNames::kUnknownMethod, QStringLiteral("no such method")));
}

QString ServedObject::introspect(const QString&) const
{
    return kIntrospectObject;
}

void ServedObject::Invoke(const QDBusMessage& message)
{
    if (message.signature() != QLatin1String("iua(qv)")) {
        return Reply(
            message.createErrorReply(DBusErrorNames::kInvalidArgs, QStringLiteral("Invoke takes (i, u, a(qv))")));
    }
    const QList<QVariant> in = message.arguments();
    const std::int32_t dispid = in.at(0).toInt();
    const std::uint32_t flags = in.at(1).toUInt();
    const auto wireArgs = qdbus_cast<QList<WireVariant>>(in.at(2));

    InvokeResult refusal;
    std::vector<Variant> args;
    args.reserve(static_cast<std::size_t>(wireArgs.size()));
    for (qsizetype i = 0; i < wireArgs.size() && refusal.hr == S_OK; ++i) {
        if (!wireArgs[i].valid) {
            refusal.hr = E_INVALIDARG;
            refusal.argErr = static_cast<std::uint32_t>(i);
        }
        args.push_back(wireArgs[i].value);
    }
    if (refusal.hr == S_OK && (flags & ~kKnownInvokeFlags) != 0) refusal.hr = E_INVALIDARG;
    if (refusal.hr != S_OK) return ReplyToInvoke(message, std::move(refusal));

    // Progress goes to the caller alone, and only for this call; its signals
    // leave before the answer.
    std::optional<ProgressAnnouncer> announcer;
    if (wantsProgress_) {
        announcer.emplace(path_, message.service(), [this](const QDBusMessage& signal) { Reply(signal); });
        target_->SetProgressHook(
            [&announcer](std::uint64_t done, std::uint64_t total) { announcer->Announce(done, total); });
    }
    InvokeResult outcome = target_->Invoke(dispid, static_cast<InvokeKind>(flags), std::move(args));
    target_->SetProgressHook(nullptr);
    ReplyToInvoke(message, std::move(outcome));
}

void ServedObject::ReplyToInvoke(const QDBusMessage& message, InvokeResult outcome)
{
    if (!VariantWire::IsSendable(outcome.result)) {
        outcome.hr = DISP_E_BADVARTYPE;
        outcome.result = Variant();
    }
    Reply(message.createReply({QVariant::fromValue(outcome.hr), QVariant::fromValue(WireVariant{outcome.result, true}),
                               QVariant::fromValue(outcome.excep), QVariant::fromValue(outcome.argErr)}));
}

void ServedObject::GetIDsOfNames(const QDBusMessage& message)
{
    if (message.signature() != QLatin1String("s"))
        return Reply(message.createErrorReply(DBusErrorNames::kInvalidArgs, QStringLiteral("GetIDsOfNames takes (s)")));
    std::int32_t dispid = -1;
    const HRESULT hr = target_->GetIDsOfNames(message.arguments().at(0).toString().toStdString(), dispid);
    Reply(message.createReply({QVariant::fromValue(hr), QVariant::fromValue(Failed(hr) ? -1 : dispid)}));
}

void ServedObject::WatchProgress(const QDBusMessage& message)
{
    if (message.signature() != QLatin1String("b"))
        return Reply(message.createErrorReply(DBusErrorNames::kInvalidArgs, QStringLiteral("WatchProgress takes (b)")));
    wantsProgress_ = message.arguments().at(0).toBool();
    Reply(message.createReply());
}

void ServedObject::Reply(const QDBusMessage& reply)
{
    bus_.send(reply);
}
