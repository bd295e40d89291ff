#include "automation/dbus/tests/BusFixture.h"

#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/tests/TestObject.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QThread>

#include <chrono>

namespace {

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "automation_dbus_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* application = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)application;
}

}  // namespace

void BusFixture::SetUp()
{
    EnsureApplication();
    ASSERT_TRUE(home_.isValid());
    const QString config = home_.filePath(QStringLiteral("config"));
    const QString data = home_.filePath(QStringLiteral("data"));
    servicesFolder_ = data + QStringLiteral("/dbus-1/services");
    ASSERT_TRUE(QDir().mkpath(config));
    ASSERT_TRUE(QDir().mkpath(servicesFolder_));
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    qputenv("XDG_DATA_HOME", data.toUtf8());

    const ClassesRoot classes;
    ASSERT_TRUE(classes.Register({TestObject::kClassId, TestObject::kProgId, TestObject::kProgId, TEST_SERVER_PATH}));
    ASSERT_TRUE(
        classes.Register({TestObject::kSingleClassId, TestObject::kSingleProgId, TestObject::kSingleProgId, TEST_SERVER_PATH}));

    bus_ = std::make_unique<PrivateSessionBus>(servicesFolder_);
    ASSERT_TRUE(bus_->IsRunning()) << bus_->Error().toStdString();
    bus_->ExportAsSessionBus();
    client_ = Connect();
    ASSERT_TRUE(client_.isConnected());
}

void BusFixture::TearDown()
{
    client_ = QDBusConnection(QString());
    for (const QString& name : connectionNames_) QDBusConnection::disconnectFromBus(name);
    // Servers end when their bus goes.
    if (bus_) bus_->Stop();
}

QDBusConnection BusFixture::Connect()
{
    const QString name = QStringLiteral("test-connection-%1").arg(++connections_);
    connectionNames_.append(name);
    return QDBusConnection::connectToBus(bus_->Address(), name);
}

bool BusFixture::WaitFor(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QThread::msleep(10);
    }
    return true;
}

bool BusFixture::NameGone(const QString& name)
{
    return WaitFor([&] { return !client_.interface()->isServiceRegistered(name).value(); });
}
