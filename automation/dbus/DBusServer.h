#pragma once

#include "automation/core/ClassFactory.h"
#include "automation/core/Dispatchable.h"
#include "automation/dbus/ServedObject.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QThread>

#include <deque>
#include <map>
#include <memory>
#include <string>

// The server side of the automation transport: exports the factories of the
// program's creatable classes and the objects they create on the session bus
// (docs/automation-over-dbus.md).
//
// - A registered factory owns its class's bus name: it is "registered as
//   running", and clients' creations reach this process.
// - Each object is a ServedObject on a thread of its own, which takes and
//   answers its calls: calls on one object run one at a time, in order of
//   arrival; calls on different objects run at the same time, and a call
//   crosses no more threads than any message to a Qt object.
// - An object answers only the connection that created it; when that
//   connection leaves the bus, its objects are released.
// - Creating, releasing and destroying objects happens on the thread that owns
//   the server, in order of arrival, even if a factory runs a nested event loop.
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
    // An object and the thread it lives on.
    struct Object {
        std::unique_ptr<QThread> thread;
        std::unique_ptr<ServedObject> served;
    };

    void ServePending();
    void Serve(const QDBusMessage& message);
    void CreateInstance(const QDBusMessage& message, const QString& token);
    // A Release its object has passed on: takes the object off the bus and
    // destroys it, then answers.
    void Release(const QDBusMessage& message);
    void WatchClient(const QString& uniqueName);
    // Ends the object's thread and destroys it here: at once, or, when a call
    // may still run on it, once the call has ended.
    void Retire(Object object);
    void RetireWhenIdle(Object object);
    void Reply(const QDBusMessage& reply);

    QDBusConnection bus_;
    QDBusServiceWatcher clientWatcher_;
    std::map<QString, ServedClass> classes_;  // by class token
    std::map<quint64, Object> objects_;
    // Released while a call of theirs may still run: destroyed when it has ended.
    std::vector<Object> retiring_;
    quint64 lastObjectNumber_ = 0;
    std::deque<QDBusMessage> pending_;
    bool serving_ = false;
};
