#include "automation/dbus/DBusServer.h"

#include "automation/dbus/BusNames.h"
#include "automation/dbus/DBusErrorNames.h"
#include "automation/dbus/ProgressAnnouncer.h"
#include "automation/dbus/VariantWire.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QThread>

#include <optional>

namespace {

// Method, property get and property put. No value travels by reference, so a
// put by reference (8) has no meaning on the bus and is refused like any other bit.
constexpr std::uint32_t kKnownInvokeFlags = 0x7;

const QString kIntrospectFactory = QStringLiteral(
    "  <interface name=\"org.varnix.Automation.ClassFactory\">\n"
    "    <method name=\"CreateInstance\">\n"
    "      <arg name=\"hresult\" type=\"i\" direction=\"out\"/>\n"
    "      <arg name=\"object\" type=\"o\" direction=\"out\"/>\n"
    "    </method>\n"
    "  </interface>\n");

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

QDBusMessage ErrorReply(const QDBusMessage& call, const QString& name, const QString& text)
{
    return call.createErrorReply(name, text);
}

}  // namespace

DBusServer::DBusServer(QDBusConnection bus, QObject* parent) : QDBusVirtualObject(parent), bus_(std::move(bus))
{
    VariantWire::RegisterTypes();
    workers_.setMaxThreadCount(kMaxRunningCalls);
    bus_.registerVirtualObject(BusNames::kRootPath, this, QDBusConnection::SubPath);
    bus_.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"), QStringLiteral("org.freedesktop.DBus.Local"),
                 QStringLiteral("Disconnected"), this, SLOT(OnBusDisconnected()));
    clientWatcher_.setConnection(bus_);
    clientWatcher_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&clientWatcher_, &QDBusServiceWatcher::serviceUnregistered, this, &DBusServer::OnClientGone);
}

DBusServer::~DBusServer()
{
    // A member still running ends first; the results it sends back are dropped
    // with this object, and the objects they hold are destroyed on this thread.
    workers_.waitForDone();
    RevokeClassObjects();
    bus_.unregisterObject(BusNames::kRootPath, QDBusConnection::UnregisterTree);
    pending_.clear();
    objects_.clear();
}

bool DBusServer::RegisterClassObject(const ClassFactory& factory, Instancing instancing)
{
    const auto token = BusNames::ClassToken(factory.classId());
    const auto busName = BusNames::ClassBusName(factory.classId());
    if (!token || !busName || classes_.count(*token) != 0) return false;
    if (!bus_.registerService(*busName)) return false;
    classes_.emplace(*token, ServedClass{factory, *busName, instancing});
    return true;
}

void DBusServer::RevokeClassObjects()
{
    for (const auto& [token, served] : classes_) bus_.unregisterService(served.busName);
    classes_.clear();
}

bool DBusServer::IsServing(const std::string& classId) const
{
    const auto token = BusNames::ClassToken(classId);
    return token && classes_.count(*token) != 0;
}

bool DBusServer::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Introspectable")) return false;
    pending_.push_back(message);
    if (QThread::currentThread() != thread())
        QMetaObject::invokeMethod(this, &DBusServer::ServePending, Qt::QueuedConnection);
    else
        ServePending();
    return true;
}

QString DBusServer::introspect(const QString& path) const
{
    if (path.startsWith(BusNames::kFactoryPathPrefix)) return kIntrospectFactory;
    if (path.startsWith(BusNames::kObjectPathPrefix)) return kIntrospectObject;
    return {};
}

void DBusServer::ServePending()
{
    // A member that runs a nested event loop must not have another call
    // start inside it: calls that arrive meanwhile wait their turn here.
    if (serving_) return;
    serving_ = true;
    while (!pending_.empty()) {
        const QDBusMessage message = std::move(pending_.front());
        pending_.pop_front();
        Serve(message);
    }
    serving_ = false;
}

void DBusServer::Serve(const QDBusMessage& message)
{
    const QString path = message.path();
    const QString member = message.member();
    const QString interface = message.interface();

    if (path.startsWith(BusNames::kFactoryPathPrefix)) {
        if (!interface.isEmpty() && interface != BusNames::kFactoryInterface)
            return Reply(ErrorReply(message, DBusErrorNames::kUnknownMethod, QStringLiteral("no such interface")));
        if (member != QLatin1String("CreateInstance"))
            return Reply(ErrorReply(message, DBusErrorNames::kUnknownMethod, QStringLiteral("no such method")));
        return CreateInstance(message, path.mid(BusNames::kFactoryPathPrefix.size()));
    }

    bool numbered = false;
    const quint64 number = path.startsWith(BusNames::kObjectPathPrefix)
                               ? QStringView(path).mid(BusNames::kObjectPathPrefix.size()).toULongLong(&numbered)
                               : 0;
    const auto found = numbered ? objects_.find(number) : objects_.end();
    if (found == objects_.end())
        return Reply(ErrorReply(message, DBusErrorNames::kUnknownObject, QStringLiteral("no object at ") + path));
    if (found->second.owner != message.service())
        return Reply(ErrorReply(message, DBusErrorNames::kAccessDenied,
                                QStringLiteral("the object belongs to another connection")));
    if (!interface.isEmpty() && interface != BusNames::kDispatchInterface)
        return Reply(ErrorReply(message, DBusErrorNames::kUnknownMethod, QStringLiteral("no such interface")));

    // A call of an object waits for the call of it that runs, and for those before it.
    Object& object = found->second;
    {
        const std::lock_guard lock(objectsLock_);
        if (object.running || !object.waiting.empty()) {
            object.waiting.push_back(message);
            return;
        }
    }
    ServeObject(message, number, object);
}

void DBusServer::ServeObject(const QDBusMessage& message, quint64 number, Object& object)
{
    const QString member = message.member();
    if (member == QLatin1String("Invoke")) return StartInvoke(message, number, object);
    if (member == QLatin1String("WatchProgress")) return WatchProgress(message, object);
    if (member == QLatin1String("GetIDsOfNames")) return GetIDsOfNames(message, *object.target);
    if (member == QLatin1String("Release")) return Release(message, number);
    Reply(ErrorReply(message, DBusErrorNames::kUnknownMethod, QStringLiteral("no such method")));
}

void DBusServer::CreateInstance(const QDBusMessage& message, const QString& token)
{
    const auto served = classes_.find(token);
    if (served == classes_.end())
        return Reply(ErrorReply(message, DBusErrorNames::kUnknownObject, QStringLiteral("this process does not serve the class")));
    if (!message.signature().isEmpty())
        return Reply(ErrorReply(message, DBusErrorNames::kInvalidArgs, QStringLiteral("CreateInstance takes no arguments")));

    std::shared_ptr<Dispatchable> object;
    const HRESULT hr = served->second.factory.CreateInstance(object);
    if (Failed(hr) || !object) {
        return Reply(message.createReply(
            {QVariant::fromValue(Failed(hr) ? hr : E_FAIL), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))}));
    }

    const quint64 number = ++lastObjectNumber_;
    const QString owner = message.service();
    Object created;
    created.target = std::move(object);
    created.owner = owner;
    {
        const std::lock_guard lock(objectsLock_);
        objects_.emplace(number, std::move(created));
    }
    Reply(message.createReply({QVariant::fromValue(S_OK), QVariant::fromValue(QDBusObjectPath(BusNames::ObjectPath(number)))}));

    if (served->second.instancing == Instancing::ProcessPerObject) {
        bus_.unregisterService(served->second.busName);
        classes_.erase(served);
    }
    WatchClient(owner);
}

void DBusServer::StartInvoke(const QDBusMessage& message, quint64 number, Object& object)
{
    if (message.signature() != QLatin1String("iua(qv)"))
        return Reply(ErrorReply(message, DBusErrorNames::kInvalidArgs, QStringLiteral("Invoke takes (i, u, a(qv))")));
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

    // A quick member only touches the object's own state: it runs here at
    // once, which spares the call two hand-overs between threads.
    const DispatchMap::Member* member = object.target->GetDispatchMap().FindMember(dispid);
    if (member && member->quick)
        return ReplyToInvoke(message, object.target->Invoke(dispid, static_cast<InvokeKind>(flags), std::move(args)));

    // Progress goes to the caller alone, and only for this call; the worker
    // sends the signals itself, so they leave before its reply.
    std::optional<ProgressAnnouncer> announcer;
    if (object.wantsProgress)
        announcer.emplace(message.path(), message.service(), [this](const QDBusMessage& signal) { Reply(signal); });
    {
        const std::lock_guard lock(objectsLock_);
        object.running = true;
    }
    workers_.start([this, message, number, dispid, flags, args = std::move(args), target = object.target,
                    announcer = std::move(announcer)]() mutable {
        if (announcer)
            target->SetProgressHook([&announcer](std::uint64_t done, std::uint64_t total) { announcer->Announce(done, total); });
        InvokeResult outcome = target->Invoke(dispid, static_cast<InvokeKind>(flags), std::move(args));
        target->SetProgressHook(nullptr);
        EndInvokeOnWorker(message, number, std::move(target), std::move(outcome));
    });
}

void DBusServer::EndInvokeOnWorker(const QDBusMessage& message, quint64 number, std::shared_ptr<Dispatchable> target,
                                   InvokeResult outcome)
{
    {
        const std::lock_guard lock(objectsLock_);
        const auto found = objects_.find(number);
        if (found != objects_.end() && found->second.waiting.empty()) {
            // The table still holds the object, so this is never its last
            // reference; and the object is let go before its client hears the
            // answer (a client that then releases it and opens its port again
            // finds the port free).
            target.reset();
            // Sent under the lock: the answer leaves before the object's next
            // call can start, so the object's answers keep their order.
            ReplyToInvoke(message, std::move(outcome));
            found->second.running = false;
            return;
        }
    }
    // Later calls wait for the object, or the object was released during the
    // call: this thread serves them, and destroys the object if it holds the
    // last reference.
    QMetaObject::invokeMethod(
        this,
        [this, message, number, outcome = std::move(outcome), target = std::move(target)]() mutable {
            FinishInvoke(message, number, std::move(target), std::move(outcome));
        },
        Qt::QueuedConnection);
}

void DBusServer::FinishInvoke(const QDBusMessage& message, quint64 number, std::shared_ptr<Dispatchable> target,
                              InvokeResult outcome)
{
    target.reset();
    ReplyToInvoke(message, std::move(outcome));
    // Gone when its client left the bus during the call.
    const auto found = objects_.find(number);
    if (found == objects_.end()) return;
    std::deque<QDBusMessage> waiting;
    {
        const std::lock_guard lock(objectsLock_);
        found->second.running = false;
        waiting.swap(found->second.waiting);
    }
    // What waited for this call is served before anything that came later.
    pending_.insert(pending_.begin(), std::make_move_iterator(waiting.begin()), std::make_move_iterator(waiting.end()));
    ServePending();
}

void DBusServer::ReplyToInvoke(const QDBusMessage& message, InvokeResult outcome)
{
    if (!VariantWire::IsSendable(outcome.result)) {
        outcome.hr = DISP_E_BADVARTYPE;
        outcome.result = Variant();
    }
    Reply(message.createReply({QVariant::fromValue(outcome.hr), QVariant::fromValue(WireVariant{outcome.result, true}),
                               QVariant::fromValue(outcome.excep), QVariant::fromValue(outcome.argErr)}));
}

void DBusServer::WatchProgress(const QDBusMessage& message, Object& object)
{
    if (message.signature() != QLatin1String("b"))
        return Reply(ErrorReply(message, DBusErrorNames::kInvalidArgs, QStringLiteral("WatchProgress takes (b)")));
    object.wantsProgress = message.arguments().at(0).toBool();
    Reply(message.createReply());
}

void DBusServer::GetIDsOfNames(const QDBusMessage& message, const Dispatchable& target)
{
    if (message.signature() != QLatin1String("s"))
        return Reply(ErrorReply(message, DBusErrorNames::kInvalidArgs, QStringLiteral("GetIDsOfNames takes (s)")));
    std::int32_t dispid = -1;
    const HRESULT hr = target.GetIDsOfNames(message.arguments().at(0).toString().toStdString(), dispid);
    Reply(message.createReply({QVariant::fromValue(hr), QVariant::fromValue(Failed(hr) ? -1 : dispid)}));
}

void DBusServer::Release(const QDBusMessage& message, quint64 number)
{
    const auto found = objects_.find(number);
    std::vector<std::shared_ptr<Dispatchable>> released{std::move(found->second.target)};
    const QString owner = found->second.owner;
    // Calls sent after the release find no object.
    std::deque<QDBusMessage> later = std::move(found->second.waiting);
    {
        const std::lock_guard lock(objectsLock_);
        objects_.erase(found);
    }
    // Answer first: destroying the object may drop the program's last lock,
    // and the program may end.
    Reply(message.createReply());
    const bool ownerHasMore =
        std::any_of(objects_.begin(), objects_.end(), [&owner](const auto& entry) { return entry.second.owner == owner; });
    if (!ownerHasMore) clientWatcher_.removeWatchedService(owner);
    DropObjects(std::move(released));
    pending_.insert(pending_.begin(), std::make_move_iterator(later.begin()), std::make_move_iterator(later.end()));
}

void DBusServer::OnClientGone(const QString& uniqueName)
{
    std::vector<std::shared_ptr<Dispatchable>> released;
    {
        const std::lock_guard lock(objectsLock_);
        for (auto it = objects_.begin(); it != objects_.end();) {
            if (it->second.owner == uniqueName) {
                released.push_back(std::move(it->second.target));
                it = objects_.erase(it);
            } else {
                ++it;
            }
        }
    }
    clientWatcher_.removeWatchedService(uniqueName);
    if (!released.empty()) DropObjects(std::move(released));
}

void DBusServer::OnBusDisconnected()
{
    emit busDisconnected();
}

void DBusServer::WatchClient(const QString& uniqueName)
{
    if (clientWatcher_.watchedServices().contains(uniqueName)) return;
    clientWatcher_.addWatchedService(uniqueName);
    // The client may have left before the watch was in place: the bus
    // answers in order, so this look sees any earlier departure.
    if (!bus_.interface()->isServiceRegistered(uniqueName).value()) OnClientGone(uniqueName);
}

void DBusServer::DropObjects(std::vector<std::shared_ptr<Dispatchable>> released)
{
    released.clear();
    emit objectReleased();
}

void DBusServer::Reply(const QDBusMessage& reply)
{
    bus_.send(reply);
}
