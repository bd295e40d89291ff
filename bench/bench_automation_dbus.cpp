// Automation calls over the D-Bus session bus, on a private bus of its own:
//  - property gets through DispatchDriver/DBusServer, beside a plain QtDBus
//    ping-pong between the same two processes (goal: the automation call at
//    most 1.15 times slower);
//  - the time to create the first object when no server runs (the bus
//    starts this program again with -Embedding as the server).
#include "bench/BenchHome.h"
#include "bench/BenchResult.h"

#include "automation/core/ApplicationLock.h"
#include "automation/core/ClassFactory.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/DBusServer.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/PrivateSessionBus.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusVirtualObject>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kProgId = "Bench.Object";
constexpr const char* kClassId = "{B3C4D5E6-0718-4293-A4B5-C6D7E8F90A1B}";
// The two kinds of call take turns in short blocks, so that the load of a shared
// machine falls on each alike; each figure is the median of its blocks.
constexpr int kBlocks = 40;
constexpr int kCallsPerBlock = 500;
constexpr double kGoal = 1.15;
constexpr int kStarts = 5;

using Clock = std::chrono::steady_clock;

class BenchObject : public Dispatchable {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<BenchObject>()
                                           .Property("Value", &BenchObject::Get, &BenchObject::Set)
                                           .Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }
    static constexpr std::int32_t kValue = 1;
    std::int32_t Get() const { return value_; }
    void Set(std::int32_t value) { value_ = value; }

private:
    ApplicationLock::Holder lock_;
    std::int32_t value_ = 1234;
};

class PingObject : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QDBusConnection(connection).send(message.createReply(QVariantList{QVariant(1234)}));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
};

int Serve()
{
    DBusServer server;
    PingObject ping;
    QDBusConnection::sessionBus().registerVirtualObject(QStringLiteral("/bench/Ping"), &ping);
    if (!server.RegisterClassObject(ClassFactory(kProgId, kClassId, [] { return std::make_shared<BenchObject>(); }),
                                    DBusServer::Instancing::SharedServer))
        return 1;
    // Creations that arrive from now on start a new copy.
    ApplicationLock::Process().SetOnLastUnlock([&server] {
        server.RevokeClassObjects();
        QCoreApplication::quit();
    });
    QObject::connect(&server, &DBusServer::busDisconnected, [] { QCoreApplication::quit(); });
    return QCoreApplication::exec();
}

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Microseconds a call, over one block.
double AutomationCallTime(DispatchDriver& driver, std::int32_t dispid)
{
    const auto start = Clock::now();
    for (int i = 0; i < kCallsPerBlock; ++i) driver.Get(dispid);
    return Seconds(Clock::now() - start) * 1e6 / kCallsPerBlock;
}

double PingCallTime(QDBusConnection& bus, const QString& server)
{
    QDBusMessage call = QDBusMessage::createMethodCall(server, QStringLiteral("/bench/Ping"), QStringLiteral("bench.Ping"),
                                                       QStringLiteral("Ping"));
    call.setAutoStartService(false);
    const auto start = Clock::now();
    for (int i = 0; i < kCallsPerBlock; ++i) bus.call(call, QDBus::Block);
    return Seconds(Clock::now() - start) * 1e6 / kCallsPerBlock;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool WaitUntilGone(QDBusConnection& bus, const QString& name)
{
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (bus.interface()->isServiceRegistered(name).value()) {
        if (Clock::now() > deadline) return false;
        QThread::msleep(5);
    }
    return true;
}

int Measure()
{
    const BenchHome home;
    const QString services = home.Services();
    if (!ClassesRoot().Register({kClassId, kProgId, kProgId, QCoreApplication::applicationFilePath().toStdString()})) {
        std::fprintf(stderr, "cannot register the bench class\n");
        return 1;
    }
    PrivateSessionBus privateBus(services);
    if (!privateBus.IsRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(privateBus.Error()));
        return 1;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(privateBus.Address(), QStringLiteral("bench"));

    std::vector<double> startTimes;
    for (int i = 0; i < kStarts; ++i) {
        DispatchDriver driver(bus);
        const auto start = Clock::now();
        driver.Create(kProgId);
        startTimes.push_back(Seconds(Clock::now() - start) * 1000.0);
        const QString server = driver.ServerName();
        driver.Release();
        if (!WaitUntilGone(bus, server)) {
            std::fprintf(stderr, "the server did not end\n");
            return 1;
        }
    }
    std::sort(startTimes.begin(), startTimes.end());
    std::printf("first object with no server running: median %.1f ms, best %.1f ms, worst %.1f ms (%d starts)\n",
                startTimes[startTimes.size() / 2], startTimes.front(), startTimes.back(), kStarts);

    DispatchDriver driver(bus);
    driver.Create(kProgId);
    std::vector<double> ping;
    std::vector<double> get;
    for (int block = 0; block < kBlocks; ++block) {
        ping.push_back(PingCallTime(bus, driver.ServerName()));
        get.push_back(AutomationCallTime(driver, BenchObject::kValue));
    }
    const double pingTime = Median(ping);
    const double getTime = Median(get);
    std::printf("plain QtDBus ping-pong:   %7.1f us a call\n", pingTime);
    std::printf("automation property get:  %7.1f us a call, %.2f x ping (goal at most %.2f)\n", getTime,
                getTime / pingTime, kGoal);
    std::printf("(medians of %d blocks of %d calls each, taking turns)\n", kBlocks, kCallsPerBlock);
    PrintResult("dbus_first_object", startTimes[startTimes.size() / 2], "ms");
    PrintResult("dbus_automation_get", getTime, "us/call", "raw-ping-pong", pingTime);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 2 && QString::fromLocal8Bit(argv[1]).compare(QLatin1String("-Embedding"), Qt::CaseInsensitive) == 0)
        return Serve();
    return Measure();
}
