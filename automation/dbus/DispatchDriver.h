#pragma once

#include "automation/core/InvokeResult.h"
#include "automation/core/Variant.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/ProgressReceiver.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The client side of one automation object on another process: creates it
// by ProgID over the session bus (the bus starts the server when needed),
// calls it, and releases it (also when the driver is destroyed).
//
// Every call blocks until the server answers. Failures are thrown as
// RemoteMemberError (the object raised a dispatch exception; its text is the
// exception's description) or AutomationError (any other failure, with its
// status: "class not registered", "server execution failed", "the server has
// disconnected", a wrong identifier, ...). The driver keeps its object after
// a failed call; a later call is tried normally.
class DispatchDriver {
public:
    // Board calls can take 30 s, and calls of all clients are served in turn.
    static constexpr std::chrono::milliseconds kDefaultCallTimeout = std::chrono::minutes(5);
    static constexpr std::chrono::milliseconds kDefaultCreateTimeout = std::chrono::seconds(60);

    explicit DispatchDriver(QDBusConnection bus = QDBusConnection::sessionBus(), ClassesRoot classes = ClassesRoot());
    ~DispatchDriver();
    DispatchDriver(const DispatchDriver&) = delete;
    DispatchDriver& operator=(const DispatchDriver&) = delete;

    void SetCallTimeout(std::chrono::milliseconds timeout) { callTimeout_ = timeout; }
    void SetCreateTimeout(std::chrono::milliseconds timeout) { createTimeout_ = timeout; }

    // Asks the server for the progress of long calls (flash programming) and
    // hands each report to `handler`, in the thread that set it; an empty
    // handler stops the reports. An Invoke made in that thread then waits with
    // an event loop that runs no user input; a call made in another thread
    // waits as before, and that thread's own loop delivers the reports. A
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
    QDBusMessage Send(const QDBusMessage& call, std::chrono::milliseconds timeout, bool mayReportProgress = false);
    HRESULT StatusOfCallFailure(const QDBusMessage& reply);
    void RequireObject() const;
    // Subscribes the object held to the progress reports, or ends that.
    void WatchProgress(bool wanted);
    void ConnectProgress(bool connect);

    QDBusConnection bus_;
    ClassesRoot classes_;
    std::chrono::milliseconds callTimeout_ = kDefaultCallTimeout;
    std::chrono::milliseconds createTimeout_ = kDefaultCreateTimeout;
    QString server_;
    QString objectPath_;
    std::unique_ptr<ProgressReceiver> progress_;
};
