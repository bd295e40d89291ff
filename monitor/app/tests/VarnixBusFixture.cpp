#include "monitor/app/tests/VarnixBusFixture.h"

#include "monitor/app/VarnixRegistration.h"
#include "platform/PortMap.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QThread>

#include <chrono>

void VarnixBusFixture::SetUp()
{
    homes_ = std::make_unique<ScopedXdgHomes>();
    ASSERT_TRUE(homes_->ok());
    ASSERT_TRUE(com1_.ok());
    ASSERT_TRUE(PortMap::Link("COM1", com1_.slavePath()));
    ASSERT_TRUE(VarnixRegistration::RegisterAll(VARNIX_PATH));

    bus_ = std::make_unique<PrivateSessionBus>(homes_->ServicesFolder());
    ASSERT_TRUE(bus_->IsRunning()) << bus_->Error().toStdString();
    bus_->ExportAsSessionBus();
    client_ = Connect();
    ASSERT_TRUE(client_.isConnected());
}

void VarnixBusFixture::TearDown()
{
    client_ = QDBusConnection(QString());
    for (const QString& name : connectionNames_) QDBusConnection::disconnectFromBus(name);
    // Servers end when their bus goes.
    if (bus_) bus_->Stop();
    homes_.reset();
}

QDBusConnection VarnixBusFixture::Connect()
{
    const QString name = QStringLiteral("varnix-test-connection-%1").arg(++connections_);
    connectionNames_.append(name);
    return QDBusConnection::connectToBus(bus_->Address(), name);
}

uint VarnixBusFixture::ProcessOf(const QString& busName)
{
    const QDBusReply<uint> pid = client_.interface()->servicePid(busName);
    return pid.isValid() ? pid.value() : 0;
}

QStringList VarnixBusFixture::CommandLineOf(uint pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList arguments;
    for (const QByteArray& argument : file.readAll().split('\0'))
        if (!argument.isEmpty()) arguments.append(QString::fromLocal8Bit(argument));
    return arguments;
}

bool VarnixBusFixture::WaitFor(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QThread::msleep(10);
    }
    return true;
}

bool VarnixBusFixture::NameGone(const QString& name)
{
    return WaitFor([&] { return !client_.interface()->isServiceRegistered(name).value(); });
}
