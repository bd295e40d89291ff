#include "upgrade/tests/PelloriBus.h"

#include "automation/dbus/ClassesRoot.h"
#include "upgrade/CPelloriApp.h"
#include "upgrade/tests/FakeEz2181.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QThread>

#include <chrono>
#include <csignal>

void PelloriBus::SetUp()
{
    homes_ = std::make_unique<ScopedXdgHomes>();
    ASSERT_TRUE(homes_->ok());
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

void PelloriBus::TearDown()
{
    watcher_ = QDBusConnection(QString());
    for (const QString& name : connectionNames_) QDBusConnection::disconnectFromBus(name);
    connectionNames_.clear();
    // Servers end when their bus goes.
    if (bus_) bus_->Stop();
    homes_.reset();
}

void PelloriBus::RegisterFakeServer()
{
    ASSERT_TRUE(ClassesRoot().Register({FakeEz2181::kClassId, FakeEz2181::kProgId, FakeEz2181::kProgId, FAKE_SERVER_PATH}));
}

void PelloriBus::RegisterMissingServer()
{
    const std::string missing = TempPath("no-such-server");
    ASSERT_TRUE(ClassesRoot().Register({FakeEz2181::kClassId, FakeEz2181::kProgId, FakeEz2181::kProgId, missing}));
}

void PelloriBus::RegisterPellori()
{
    ASSERT_TRUE(CPelloriApp::Register(PELLORI_PATH));
}

void PelloriBus::StartBus()
{
    bus_ = std::make_unique<PrivateSessionBus>(homes_->ServicesFolder());
    ASSERT_TRUE(bus_->IsRunning()) << bus_->Error().toStdString();
    bus_->ExportAsSessionBus();
    watcher_ = Connect();
    ASSERT_TRUE(watcher_.isConnected());
}

QDBusConnection PelloriBus::Connect()
{
    static int connections = 0;
    const QString name = QStringLiteral("pellori-test-%1").arg(++connections);
    connectionNames_.append(name);
    return QDBusConnection::connectToBus(bus_->Address(), name);
}

uint PelloriBus::ServerPid(const QString& busName)
{
    const auto pid = watcher_.interface()->servicePid(busName);
    return pid.isValid() ? pid.value() : 0;
}

bool PelloriBus::KillOwner(const QString& busName)
{
    const uint pid = ServerPid(busName);
    return pid != 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

bool PelloriBus::NameGone(const QString& busName)
{
    return WaitFor([&] { return !watcher_.interface()->isServiceRegistered(busName).value(); });
}

std::string PelloriBus::TempPath(const std::string& name) const
{
    return (homes_->Data() + QLatin1Char('/') + QString::fromStdString(name)).toStdString();
}

bool PelloriBus::WaitFor(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return true;
}
