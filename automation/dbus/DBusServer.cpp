#include "automation/dbus/DBusServer.h"

#include "automation/core/ApplicationLock.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/DBusErrorNames.h"
#include "automation/dbus/VariantWire.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>

#include <algorithm>

namespace {

const QString kIntrospectFactory = QStringLiteral(
    "  <interface name=\"org.varnix.Automation.ClassFactory\">\n"
    "    <method name=\"CreateInstance\">\n"
    "      <arg name=\"hresult\" type=\"i\" direction=\"out\"/>\n"
    "      <arg name=\"object\" type=\"o\" direction=\"out\"/>\n"
    "    </method>\n"
    "  </interface>\n");

// Factories are served under one path, each object at a path of its own.
QString FactoryRoot()
{
    return BusNames::kFactoryPathPrefix.chopped(1);
}

}  // namespace

DBusServer::DBusServer(QDBusConnection bus, QObject* parent) : QDBusVirtualObject(parent), bus_(std::move(bus))
{
    VariantWire::RegisterTypes();
    bus_.registerVirtualObject(FactoryRoot(), this, QDBusConnection::SubPath);
    bus_.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"), QStringLiteral("org.freedesktop.DBus.Local"),
                 QStringLiteral("Disconnected"), this, SLOT(OnBusDisconnected()));
    clientWatcher_.setConnection(bus_);
    clientWatcher_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&clientWatcher_, &QDBusServiceWatcher::serviceUnregistered, this, &DBusServer::OnClientGone);
}

DBusServer::~DBusServer()
{
    RevokeClassObjects();
    bus_.unregisterObject(FactoryRoot(), QDBusConnection::UnregisterTree);
    pending_.clear();
    // A call still running ends first; the objects are destroyed on this thread.
    for (auto& entry : objects_) {
        bus_.unregisterObject(entry.second.served->Path());
        Retire(std::move(entry.second));
    }
    objects_.clear();
    for (auto& object : retiring_) Retire(std::move(object));
    retiring_.clear();
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
    ServePending();
    return true;
}

QString DBusServer::introspect(const QString& path) const
{
    return path.startsWith(BusNames::kFactoryPathPrefix) ? kIntrospectFactory : QString();
}

void DBusServer::ServePending()
{
    // A factory that runs a nested event loop must not have another message
    // served inside it: messages that arrive meanwhile wait their turn here.
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
    if (path.startsWith(BusNames::kObjectPathPrefix)) return Release(message);
    const QString interface = message.interface();
    if (!interface.isEmpty() && interface != BusNames::kFactoryInterface)
        return Reply(message.createErrorReply(DBusErrorNames::kUnknownMethod, QStringLiteral("no such interface")));
    if (message.member() != QLatin1String("CreateInstance"))
        return Reply(message.createErrorReply(DBusErrorNames::kUnknownMethod, QStringLiteral("no such method")));
    CreateInstance(message, path.mid(BusNames::kFactoryPathPrefix.size()));
}

void DBusServer::CreateInstance(const QDBusMessage& message, const QString& token)
{
    const auto served = classes_.find(token);
    if (served == classes_.end())
        return Reply(message.createErrorReply(DBusErrorNames::kUnknownObject, QStringLiteral("this process does not serve the class")));
    if (!message.signature().isEmpty())
        return Reply(message.createErrorReply(DBusErrorNames::kInvalidArgs, QStringLiteral("CreateInstance takes no arguments")));

    std::shared_ptr<Dispatchable> target;
    const HRESULT hr = served->second.factory.CreateInstance(target);
    if (Failed(hr) || !target) {
        return Reply(message.createReply(
            {QVariant::fromValue(Failed(hr) ? hr : E_FAIL), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))}));
    }

    const quint64 number = ++lastObjectNumber_;
    const QString owner = message.service();
    const QString path = BusNames::ObjectPath(number);
    // The object passes its Release on to this thread, behind what waits here.
    const auto passOnRelease = [this](const QDBusMessage& release) {
        QMetaObject::invokeMethod(
            this,
            [this, release] {
                pending_.push_back(release);
                ServePending();
            },
            Qt::QueuedConnection);
    };
    Object created;
    created.thread = std::make_unique<QThread>();
    created.thread->setObjectName(QStringLiteral("object %1").arg(number));
    created.served = std::make_unique<ServedObject>(bus_, path, owner, std::move(target), passOnRelease);
    created.served->moveToThread(created.thread.get());
    created.thread->start();
    if (!bus_.registerVirtualObject(path, created.served.get())) {
        Retire(std::move(created));
        return Reply(message.createReply({QVariant::fromValue(E_FAIL), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))}));
    }
    objects_.emplace(number, std::move(created));
    Reply(message.createReply({QVariant::fromValue(S_OK), QVariant::fromValue(QDBusObjectPath(path))}));

    if (served->second.instancing == Instancing::ProcessPerObject) {
        bus_.unregisterService(served->second.busName);
        classes_.erase(served);
    }
    WatchClient(owner);
}

void DBusServer::Release(const QDBusMessage& message)
{
    const auto found = objects_.find(QStringView(message.path()).mid(BusNames::kObjectPathPrefix.size()).toULongLong());
    // Gone already when its client left the bus meanwhile.
    if (found == objects_.end())
        return Reply(message.createErrorReply(DBusErrorNames::kUnknownObject, QStringLiteral("no object at ") + message.path()));
    Object released = std::move(found->second);
    objects_.erase(found);
    const QString owner = released.served->Owner();
    bus_.unregisterObject(released.served->Path());
    {
        // The object is gone before its client hears the answer (a client that
        // then opens its port again finds the port free); and destroying it
        // may drop the program's last lock, so the answer leaves first.
        const ApplicationLock::Holder untilAnswered;
        Retire(std::move(released));
        Reply(message.createReply());
    }
    const bool ownerHasMore = std::any_of(objects_.begin(), objects_.end(),
                                          [&owner](const auto& entry) { return entry.second.served->Owner() == owner; });
    if (!ownerHasMore) clientWatcher_.removeWatchedService(owner);
    emit objectReleased();
}

void DBusServer::OnClientGone(const QString& uniqueName)
{
    for (auto it = objects_.begin(); it != objects_.end();) {
        if (it->second.served->Owner() == uniqueName) {
            bus_.unregisterObject(it->second.served->Path());
            it->second.served->MarkReleased();
            RetireWhenIdle(std::move(it->second));
            it = objects_.erase(it);
        } else {
            ++it;
        }
    }
    clientWatcher_.removeWatchedService(uniqueName);
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

void DBusServer::Retire(Object object)
{
    object.thread->quit();
    object.thread->wait();
    object.served.reset();
}

void DBusServer::RetireWhenIdle(Object object)
{
    QThread* thread = object.thread.get();
    connect(
        thread, &QThread::finished, this,
        [this, thread] {
            const auto found = std::find_if(retiring_.begin(), retiring_.end(),
                                            [thread](const Object& entry) { return entry.thread.get() == thread; });
            if (found == retiring_.end()) return;
            Retire(std::move(*found));
            retiring_.erase(found);
            emit objectReleased();
        },
        Qt::QueuedConnection);
    thread->quit();
    retiring_.push_back(std::move(object));
}

void DBusServer::Reply(const QDBusMessage& reply)
{
    bus_.send(reply);
}
