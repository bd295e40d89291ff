#include "automation/dbus/DispatchDriver.h"

#include "automation/dbus/AutomationError.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/DBusErrorNames.h"
#include "automation/dbus/ProgressAnnouncer.h"
#include "automation/dbus/RemoteMemberError.h"
#include "automation/dbus/VariantWire.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kCreateAttempts = 4;

// The transport's own limit on a call whose silence the driver watches itself:
// libdbus reads this value as "no limit".
constexpr int kNoTransportLimit = 0x7fffffff;

int Milliseconds(std::chrono::milliseconds timeout)
{
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(timeout.count(), INT32_MAX));
}

}  // namespace

DispatchDriver::DispatchDriver(QDBusConnection bus, ClassesRoot classes) : bus_(std::move(bus)), classes_(std::move(classes))
{
    VariantWire::RegisterTypes();
}

DispatchDriver::~DispatchDriver()
{
    Release();
}

void DispatchDriver::Create(const std::string& progId)
{
    Release();
    const auto classId = classes_.ClassIdOfProgId(progId);
    const auto busName = classId ? BusNames::ClassBusName(*classId) : std::nullopt;
    const auto factoryPath = classId ? BusNames::FactoryPath(*classId) : std::nullopt;
    if (!busName || !factoryPath) throw AutomationError(REGDB_E_CLASSNOTREG);
    if (!bus_.isConnected()) throw AutomationError(CO_E_NOTINITIALIZED);

    // A copy that serves one object per process may hand its last object out
    // between our look at the name and our call; the next attempt starts a
    // fresh copy.
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const QDBusMessage call =
            QDBusMessage::createMethodCall(*busName, *factoryPath, BusNames::kFactoryInterface, QStringLiteral("CreateInstance"));
        const QDBusMessage reply = Send(call, createTimeout_);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            if (reply.errorName() == DBusErrorNames::kUnknownObject) continue;
            throw AutomationError(CO_E_SERVER_EXEC_FAILURE);
        }
        if (reply.signature() != QLatin1String("io")) throw AutomationError(CO_E_SERVER_EXEC_FAILURE);
        const HRESULT hr = reply.arguments().at(0).toInt();
        if (Failed(hr)) throw AutomationError(hr);
        server_ = reply.service();
        objectPath_ = reply.arguments().at(1).value<QDBusObjectPath>().path();
        if (progress_) WatchProgress(true);
        return;
    }
    throw AutomationError(CLASS_E_CLASSNOTAVAILABLE);
}

void DispatchDriver::SetProgressHandler(ProgressReceiver::Handler handler)
{
    if (IsCreated() && progress_) WatchProgress(false);
    progress_.reset();
    if (!handler) return;
    progress_ = std::make_unique<ProgressReceiver>(std::move(handler));
    if (IsCreated()) WatchProgress(true);
}

void DispatchDriver::WatchProgress(bool wanted)
{
    if (wanted) ConnectProgress(true);
    // A server without progress answers with an error: nothing to do then.
    const QDBusMessage call = ObjectCall(QStringLiteral("WatchProgress"), {QVariant::fromValue(wanted)});
    if (serverSilent_)
        bus_.send(call);
    else
        Send(call, kHousekeepingTimeout);
    if (!wanted) ConnectProgress(false);
}

void DispatchDriver::ConnectProgress(bool connect)
{
    const QString signal = ProgressAnnouncer::kSignalName;
    const char* slot = SLOT(OnProgress(qulonglong, qulonglong));
    if (connect)
        bus_.connect(server_, objectPath_, BusNames::kDispatchInterface, signal, progress_.get(), slot);
    else
        bus_.disconnect(server_, objectPath_, BusNames::kDispatchInterface, signal, progress_.get(), slot);
}

void DispatchDriver::Release()
{
    if (!IsCreated()) return;
    if (progress_) ConnectProgress(false);
    const QDBusMessage release = ObjectCall(QStringLiteral("Release"), {});
    if (serverSilent_)
        bus_.send(release);
    else
        Send(release, kHousekeepingTimeout);
    server_.clear();
    objectPath_.clear();
    serverSilent_ = false;
}

Variant DispatchDriver::Invoke(std::int32_t dispid, InvokeKind kind, std::vector<Variant> args)
{
    RequireObject();
    QList<WireVariant> wireArgs;
    wireArgs.reserve(static_cast<qsizetype>(args.size()));
    for (auto& arg : args) {
        if (!VariantWire::IsSendable(arg)) throw AutomationError(DISP_E_BADVARTYPE);
        wireArgs.append(WireVariant{std::move(arg), true});
    }
    const QDBusMessage call = ObjectCall(
        QStringLiteral("Invoke"),
        {QVariant::fromValue(dispid), QVariant::fromValue(static_cast<uint>(kind)), QVariant::fromValue(wireArgs)});
    const QDBusMessage reply = progress_ ? SendWatchingProgress(call, CallTimeout()) : Send(call, CallTimeout());
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const HRESULT status = StatusOfCallFailure(reply);
        serverSilent_ = status == RPC_E_TIMEOUT;
        throw AutomationError(status);
    }
    serverSilent_ = false;
    if (reply.signature() != QLatin1String("i(qv)(qiayayayu)u")) throw AutomationError(RPC_E_SERVERFAULT);

    const QList<QVariant> out = reply.arguments();
    const HRESULT hr = out.at(0).toInt();
    if (hr == DISP_E_EXCEPTION) throw RemoteMemberError(qdbus_cast<ExcepInfo>(out.at(2)));
    if (Failed(hr)) throw AutomationError(hr, out.at(3).toUInt());
    const auto result = qdbus_cast<WireVariant>(out.at(1));
    if (!result.valid) throw AutomationError(RPC_E_SERVERFAULT);
    return result.value;
}

Variant DispatchDriver::Call(std::int32_t dispid, std::vector<Variant> args)
{
    return Invoke(dispid, InvokeKind::Method, std::move(args));
}

Variant DispatchDriver::Get(std::int32_t dispid)
{
    return Invoke(dispid, InvokeKind::PropertyGet, {});
}

void DispatchDriver::Put(std::int32_t dispid, Variant value)
{
    std::vector<Variant> args;
    args.push_back(std::move(value));
    Invoke(dispid, InvokeKind::PropertyPut, std::move(args));
}

std::int32_t DispatchDriver::DispIdOfName(const std::string& name)
{
    RequireObject();
    const QDBusMessage reply = Send(ObjectCall(QStringLiteral("GetIDsOfNames"), {QString::fromStdString(name)}), CallTimeout());
    if (reply.type() == QDBusMessage::ErrorMessage) throw AutomationError(StatusOfCallFailure(reply));
    if (reply.signature() != QLatin1String("ii")) throw AutomationError(RPC_E_SERVERFAULT);
    const HRESULT hr = reply.arguments().at(0).toInt();
    if (Failed(hr)) throw AutomationError(hr);
    return reply.arguments().at(1).toInt();
}

Variant DispatchDriver::CallByName(const std::string& name, std::vector<Variant> args)
{
    return Invoke(DispIdOfName(name), InvokeKind::Method | InvokeKind::PropertyGet, std::move(args));
}

void DispatchDriver::PutByName(const std::string& name, Variant value)
{
    Put(DispIdOfName(name), std::move(value));
}

QDBusMessage DispatchDriver::ObjectCall(const QString& method, const QList<QVariant>& args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(server_, objectPath_, BusNames::kDispatchInterface, method);
    // The object lives in that one process; never start another copy for it.
    call.setAutoStartService(false);
    call.setArguments(args);
    return call;
}

std::chrono::milliseconds DispatchDriver::CallTimeout() const
{
    if (callTimeout_) return *callTimeout_;
    return progress_ ? kSilenceLimit : kDefaultCallTimeout;
}

QDBusMessage DispatchDriver::Send(const QDBusMessage& call, std::chrono::milliseconds timeout)
{
    return bus_.call(call, QDBus::Block, Milliseconds(timeout));
}

QDBusMessage DispatchDriver::SendWatchingProgress(const QDBusMessage& call, std::chrono::milliseconds silenceLimit)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const QDBusPendingCall pending = bus_.asyncCall(call, kNoTransportLimit);
    if (beforeWait_) beforeWait_(pending);
    // The reply may have come already. The watcher learns of it under the
    // call's own lock and reports it through this thread's loop, so it is never
    // missed (QDBus::BlockWithGui can miss a reply that arrives while it sets
    // up its loop, and then waits for ever).
    QDBusPendingCallWatcher watcher(pending);
    // The loop runs this thread's events but no user input: the progress
    // reports when the receiver lives here, and the reply's arrival.
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    QTimer silence;
    silence.setSingleShot(true);
    bool silent = false;
    const auto armSilence = [&] {
        const Clock::time_point lastSign = std::max(start, progress_->LastHeard());
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(lastSign + silenceLimit - Clock::now());
        if (left.count() <= 0) {
            silent = true;
            loop.quit();
            return;
        }
        silence.start(Milliseconds(left));
    };
    QObject::connect(&silence, &QTimer::timeout, &loop, armSilence);
    armSilence();
    if (!silent && !watcher.isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    // The server sends every report before its reply, but each report is queued
    // for the receiver's thread and the wait may end on the reply before running
    // the last ones: when that is this thread, deliver what is left, so that the
    // handler has them all on return.
    if (progress_->thread() == QThread::currentThread()) QCoreApplication::sendPostedEvents(progress_.get());
    if (!watcher.isFinished())
        return call.createErrorReply(DBusErrorNames::kTimedOut, QStringLiteral("the server stopped answering"));
    return watcher.reply();
}

HRESULT DispatchDriver::StatusOfCallFailure(const QDBusMessage& reply)
{
    const QString name = reply.errorName();
    if (name == DBusErrorNames::kNoReply || name == DBusErrorNames::kTimedOut) {
        // The bus says "no reply" both when our time-out ran out and when the
        // server left the bus during the call: look whether it is still there.
        const bool serverThere = bus_.isConnected() && bus_.interface()->isServiceRegistered(server_).value();
        return serverThere ? RPC_E_TIMEOUT : RPC_E_SERVER_DIED;
    }
    if (name == DBusErrorNames::kServiceUnknown || name == DBusErrorNames::kNameHasNoOwner ||
        name == DBusErrorNames::kDisconnected || !bus_.isConnected())
        return RPC_E_DISCONNECTED;
    if (name == DBusErrorNames::kUnknownObject) return CO_E_OBJNOTCONNECTED;
    if (name == DBusErrorNames::kAccessDenied) return E_ACCESSDENIED;
    return RPC_E_SERVERFAULT;
}

void DispatchDriver::RequireObject() const
{
    if (!IsCreated()) throw AutomationError(CO_E_OBJNOTCONNECTED);
}
