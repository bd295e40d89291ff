#pragma once

#include "automation/core/ClassFactory.h"
#include "automation/core/Dispatchable.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QThreadPool>

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

// The server side of the automation transport: exports the factories of the
// program's creatable classes and the objects they create on the session bus
// (docs/automation-over-dbus.md).
//
// - A registered factory owns its class's bus name: it is "registered as
//   running", and clients' creations reach this process.
// - An object answers only the connection that created it; when that
//   connection leaves the bus, its objects are released.
// - Calls on one object run one at a time, in order of arrival; calls on
//   different objects run at the same time. A member runs on a worker
//   thread (a quick one at once, here); everything else (taking messages,
//   changing the table of objects, creating and destroying objects) stays
//   on the thread that owns the server. A worker answers its call itself
//   once it has let go of the object; only when later calls of the object
//   wait, or the object was released meanwhile, does it hand the result
//   back to this thread. Messages are taken in order of arrival, even if a
//   member run here (a factory) runs a nested event loop.
// - A client that asked for it (WatchProgress) is sent the Progress signal
//   of its own long calls; no one else is.
// - When the bus connection goes away, busDisconnected() is emitted; a
//   program started for clients then ends.
class DBusServer : public QDBusVirtualObject {
    Q_OBJECT

public:
    enum class Instancing {
        SharedServer,      // one copy hands out any number of objects
        ProcessPerObject,  // one object per copy: then the class's name is given up
    };

    explicit DBusServer(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~DBusServer() override;

    // Exports the factory and takes its class's bus name. False if the class
    // is already registered here or another process owns the name.
    bool RegisterClassObject(const ClassFactory& factory, Instancing instancing);
    // Gives up every class's bus name and factory; objects already handed
    // out stay and are served.
    void RevokeClassObjects();

    bool IsServing(const std::string& classId) const;
    std::size_t ObjectCount() const { return objects_.size(); }
    const QDBusConnection& Bus() const { return bus_; }

    // QDBusVirtualObject
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

signals:
    void busDisconnected();
    // After an object was released, by its client or because its client left.
    void objectReleased();

private slots:
    void OnBusDisconnected();
    void OnClientGone(const QString& uniqueName);

private:
    struct ServedClass {
        ClassFactory factory;
        QString busName;
        Instancing instancing;
    };
    struct Object {
        std::shared_ptr<Dispatchable> target;
        QString owner;
        // Its owner asked for the Progress signal during its calls.
        bool wantsProgress = false;
        // One of its calls runs on a worker; its later messages wait here, in
        // order. Both are changed under objectsLock_: the worker looks at them.
        bool running = false;
        std::deque<QDBusMessage> waiting;
    };

    // At most this many members run at the same time; further calls wait for a worker.
    static constexpr int kMaxRunningCalls = 64;

    void ServePending();
    void Serve(const QDBusMessage& message);
    void ServeObject(const QDBusMessage& message, quint64 number, Object& object);
    void CreateInstance(const QDBusMessage& message, const QString& token);
    // Checks the arguments here and runs the member on a worker.
    void StartInvoke(const QDBusMessage& message, quint64 number, Object& object);
    // On the worker, after the member: answers the call there if nothing
    // waits for the object, else hands the result back to this thread.
    void EndInvokeOnWorker(const QDBusMessage& message, quint64 number, std::shared_ptr<Dispatchable> target,
                           InvokeResult outcome);
    // Back on this thread: lets go of the object, answers the call and serves
    // what waited for it.
    void FinishInvoke(const QDBusMessage& message, quint64 number, std::shared_ptr<Dispatchable> target,
                      InvokeResult outcome);
    void ReplyToInvoke(const QDBusMessage& message, InvokeResult outcome);
    void GetIDsOfNames(const QDBusMessage& message, const Dispatchable& target);
    void WatchProgress(const QDBusMessage& message, Object& object);
    void Release(const QDBusMessage& message, quint64 number);
    void WatchClient(const QString& uniqueName);
    void DropObjects(std::vector<std::shared_ptr<Dispatchable>> released);
    void Reply(const QDBusMessage& reply);

    QDBusConnection bus_;
    QDBusServiceWatcher clientWatcher_;
    std::map<QString, ServedClass> classes_;  // by class token
    // Workers look objects up at the end of their calls: this thread holds the
    // lock while it adds or removes objects or looks at whether one is running.
    std::mutex objectsLock_;
    std::map<quint64, Object> objects_;
    quint64 lastObjectNumber_ = 0;
    std::deque<QDBusMessage> pending_;
    bool serving_ = false;
    QThreadPool workers_;
};
