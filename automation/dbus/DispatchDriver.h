#pragma once

#include "automation/core/InvokeResult.h"
#include "automation/core/Variant.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/ProgressReceiver.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The client side of one automation object on another process: creates it
// by ProgID over the session bus (the bus starts the server when needed),
// calls it, and releases it (also when the driver is destroyed).
//
// Every call blocks until the server answers, or until it has been silent
// too long: a call of a driver that watches progress fails when neither its
// reply nor a progress report has come for kSilenceLimit; any other call
// fails after kDefaultCallTimeout (SetCallTimeout sets either bound). The
// call then fails with RPC_E_TIMEOUT ("the server stopped answering") while
// the server is still on the bus. Failures are thrown as
// RemoteMemberError (the object raised a dispatch exception; its text is the
// exception's description) or AutomationError (any other failure, with its
// status: "class not registered", "server execution failed", "the server has
// disconnected", a wrong identifier, ...). The driver keeps its object after
// a failed call; a later call is tried normally.
class DispatchDriver {
public:
    // Board calls can take 30 s, and calls of all clients are served in turn;
    // without progress reports a long flash transfer shows no sign of life.
    static constexpr std::chrono::milliseconds kDefaultCallTimeout = std::chrono::minutes(5);
    // Long calls report progress at least every few seconds; this much silence
    // means the server no longer answers.
    static constexpr std::chrono::milliseconds kSilenceLimit = std::chrono::seconds(60);
    // Creation, the progress subscription and the release: short calls.
    static constexpr std::chrono::milliseconds kHousekeepingTimeout = std::chrono::seconds(10);
    static constexpr std::chrono::milliseconds kDefaultCreateTimeout = std::chrono::seconds(60);

    explicit DispatchDriver(QDBusConnection bus = QDBusConnection::sessionBus(), ClassesRoot classes = ClassesRoot());
    ~DispatchDriver();
    DispatchDriver(const DispatchDriver&) = delete;
    DispatchDriver& operator=(const DispatchDriver&) = delete;

    void SetCallTimeout(std::chrono::milliseconds timeout) { callTimeout_ = timeout; }
    // The bound the next Invoke runs under (see above).
    std::chrono::milliseconds CallTimeout() const;
    // For tests: runs after a call that watches progress is sent and before its
    // wait begins, to hold that moment open.
    void SetBeforeWaitHook(std::function<void(const QDBusPendingCall&)> hook) { beforeWait_ = std::move(hook); }
    void SetCreateTimeout(std::chrono::milliseconds timeout) { createTimeout_ = timeout; }

    // Asks the server for the progress of long calls (flash programming) and
    // hands each report to `handler`, in the thread that set it; an empty
    // handler stops the reports. An Invoke then waits with an event loop of
    // its own thread that runs no user input: made in the handler's thread, it
    // delivers the reports itself; made in another thread, that thread's own
    // loop delivers them. Every report restarts the call's silence bound. A
    // server that offers no progress simply sends none.
    void SetProgressHandler(ProgressReceiver::Handler handler);

    // Releases any object held, then creates one of the class registered
    // under `progId` (case ignored). Throws AutomationError.
    void Create(const std::string& progId);
    bool IsCreated() const { return !objectPath_.isEmpty(); }
    // Drops the object; does nothing if there is none. Never throws.
    void Release();

    Variant Invoke(std::int32_t dispid, InvokeKind kind, std::vector<Variant> args);
    Variant Call(std::int32_t dispid, std::vector<Variant> args = {});
    Variant Get(std::int32_t dispid);
    void Put(std::int32_t dispid, Variant value);

    // Name lookup, without regard to case. Throws AutomationError ("unknown name").
    std::int32_t DispIdOfName(const std::string& name);
    // A method or property get by name (the kind a script's obj.Name means).
    Variant CallByName(const std::string& name, std::vector<Variant> args = {});
    void PutByName(const std::string& name, Variant value);

    // The server process's unique bus name and the object's path, once created.
    const QString& ServerName() const { return server_; }
    const QString& ObjectPath() const { return objectPath_; }

private:
    QDBusMessage ObjectCall(const QString& method, const QList<QVariant>& args);
    QDBusMessage Send(const QDBusMessage& call, std::chrono::milliseconds timeout);
    // Waits for the reply as long as the server shows signs of life.
    QDBusMessage SendWatchingProgress(const QDBusMessage& call, std::chrono::milliseconds silenceLimit);
    HRESULT StatusOfCallFailure(const QDBusMessage& reply);
    void RequireObject() const;
    // Subscribes the object held to the progress reports, or ends that.
    void WatchProgress(bool wanted);
    void ConnectProgress(bool connect);

    QDBusConnection bus_;
    ClassesRoot classes_;
    std::optional<std::chrono::milliseconds> callTimeout_;
    std::chrono::milliseconds createTimeout_ = kDefaultCreateTimeout;
    QString server_;
    QString objectPath_;
    std::unique_ptr<ProgressReceiver> progress_;
    // A call of this object ran out of time: the server may never answer again,
    // so its release is sent without waiting for the answer.
    bool serverSilent_ = false;
    std::function<void(const QDBusPendingCall&)> beforeWait_;
};
