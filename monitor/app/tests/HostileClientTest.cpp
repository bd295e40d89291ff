// Careless and hostile clients of the varnix server on a private bus: counts no
// memory can hold, arguments of the wrong type, number and shape, calls on released
// and foreign objects, clients and servers that die in the middle of a call, and
// hundreds of objects created and released without the server growing.

#include "automation/core/HResult.h"
#include "automation/core/SafeArray.h"
#include "automation/dbus/AutomationError.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/tests/StatusOf.h"
#include "monitor/app/tests/VarnixBusFixture.h"
#include "monitor/boards/SerialBoards.h"  // made from boards.cmake
#include "platform/PortMap.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/RecordingNotifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <thread>

namespace {

constexpr std::int32_t kHuge = 2'000'000'000;

bool PortFree()
{
    TermiosCommDevice device;
    return device.Open(PortMap::DevicePath("COM1"));
}

// A number from the server's /proc/<pid>/status line "<key>: <number> ...".
long StatusNumber(uint pid, const char* key)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(static_cast<int>(qstrlen(key))).simplified().split(' ')[0].toLong();
    return -1;
}

long OpenFiles(uint pid)
{
    return static_cast<long>(QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

Variant Array(VarType type, std::vector<SafeArray::Bound> bounds, const std::vector<Variant>& elements)
{
    std::optional<SafeArray> array = SafeArray::Create(type, std::move(bounds));
    for (std::size_t i = 0; i < elements.size(); ++i)
        array->set(i, elements[i]);
    return Variant::Array(std::move(*array));
}

class HostileClientTest : public VarnixBusFixture {
protected:
    void SetUp() override
    {
        // The server's freed memory goes back to use at once, so that its size shows
        // what it keeps, not what the sanitizer holds back.
        const QByteArray options = qgetenv("ASAN_OPTIONS");
        qputenv("ASAN_OPTIONS", options + (options.isEmpty() ? "" : ":") + "quarantine_size_mb=1");
        VarnixBusFixture::SetUp();
        qputenv("ASAN_OPTIONS", options);
    }
};

struct HugeCount {
    const char* progId;
    const char* member;
    std::vector<Variant> args;
    Variant result;  // VT_NULL: a failure with `text`
    const char* text;
};

TEST_F(HostileClientTest, HugeAndNegativeCountsFailAtOnceOnEveryBoard)
{
    const auto i4 = [](std::int32_t v) { return Variant::I4(v); };
    const std::vector<HugeCount> rows = {
        {"varnix.fourwire21xx", "ReadDM", {i4(0), i4(kHuge), i4(0), i4(0)}, Variant::Null(), "Address or count does not fit the link"},
        {"varnix.fourwire21xx", "ReadPM", {i4(0), i4(kHuge), i4(0), i4(0)}, Variant::Null(), "Address or count does not fit the link"},
        {"varnix.fourwire21xx", "ReadIO", {i4(0), i4(-1)}, Variant::Null(), "Can't access data"},
        {"varnix.fourwire21xx", "ReadFlash", {i4(0), i4(kHuge)}, Variant::Null(), "More than 256 bytes for a flash block"},
        {"varnix.sport", "GetBytes", {i4(kHuge)}, Variant::Null(), "Can't access data"},
        {"varnix.sport", "GetBytes", {i4(-1)}, Variant::Null(), "Can't access data"},
    };
    // Another object keeps one server running for all rows, so its size can be compared.
    DispatchDriver keeper(Connect());
    keeper.Create("varnix.sport");
    const uint pid = ProcessOf(keeper.ServerName());
    ASSERT_NE(pid, 0u);
    const long sizeBefore = StatusNumber(pid, "VmRSS:");

    for (const HugeCount& row : rows) {
        SCOPED_TRACE(std::string(row.progId) + " " + row.member);
        DispatchDriver driver(client_);
        driver.Create(row.progId);
        EXPECT_EQ(driver.CallByName(row.member, row.args), row.result);
        EXPECT_EQ(driver.CallByName("ErrorString"), Variant::Bstr(row.text));
    }

    // Every serial board of boards.cmake, with each read it has: through the server it
    // gives what the object gives in this process (each board's own test holds its
    // results and texts, HugeAndNegativeCountsFailAtOnce).
    const std::vector<std::pair<const char*, std::vector<Variant>>> reads = {
        {"ReadDM", {i4(0), i4(kHuge), i4(0), i4(0)}}, {"ReadDM", {i4(0), i4(-2), i4(0), i4(0)}}, {"ReadPM", {i4(0), i4(kHuge), i4(0), i4(0)}}, {"ReadIO", {i4(0), i4(kHuge)}}, {"ReadIO", {i4(0), i4(-1)}}, {"ReadFlash", {i4(0), i4(kHuge)}}};
    RecordingNotifier messages;  // what a board of this process says about its port
    Notifier::SetCurrent(&messages);
    SerialBoards::ForEach([this, &reads]<class Board>() {
        for (const auto& [member, args] : reads) {
            Board local;
            std::int32_t dispid = -1;
            if (local.GetIDsOfNames(member, dispid) != S_OK) continue;
            SCOPED_TRACE(std::string(Board::kProgId) + " " + member);
            const Variant expected = local.Invoke(dispid, InvokeKind::Method, args).result;
            DispatchDriver driver(client_);
            driver.Create(Board::kProgId);
            EXPECT_EQ(driver.CallByName(member, args), expected);
            EXPECT_EQ(driver.CallByName("ErrorString"), Variant::Bstr(local.GetErrorString()));
        }
    });
    Notifier::SetCurrent(nullptr);
    // Nothing of the size asked for was ever made (kilobytes).
    EXPECT_LT(StatusNumber(pid, "VmRSS:") - sizeBefore, 64 * 1024);
}

TEST_F(HostileClientTest, WrongTypesAndArgumentCountsAreRefusedAndTheObjectStillWorks)
{
    DispatchDriver driver(client_);
    driver.Create("varnix.ez2181");
    const std::int32_t readDm = driver.DispIdOfName("ReadDM");
    EXPECT_EQ(StatusOf([&] { driver.Call(readDm, {Variant::I4(0)}); }), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(StatusOf([&] { driver.Call(readDm, std::vector<Variant>(40, Variant::I4(1))); }), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(StatusOf([&] {
                  driver.Call(readDm, {Variant::I4(0), Variant::Bstr("many"), Variant::I4(0), Variant::I4(0)});
              }),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(StatusOf([&] {
                  driver.Call(readDm, {Variant::I4(0), Array(VT_I4, {{2, 0}}, {Variant::I4(1), Variant::I4(2)}),
                                       Variant::I4(0), Variant::I4(0)});
              }),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(StatusOf([&] { driver.Invoke(readDm, InvokeKind::PropertyPut, {Variant::I4(1)}); }),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(StatusOf([&] { driver.Call(-5); }), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(driver.CallByName("ErrorMethod"), Variant::I4(0));
}

// SendBytes of the script port with arrays of every odd shape: a list of byte values
// (a vector with lower bound 0, of bytes or of number variants) reaches the line;
// anything else is refused with "Can't access data" and sends nothing.
TEST_F(HostileClientTest, OddlyShapedArraysReachTheLineFlatOrAreRefused)
{
    DispatchDriver driver(client_);
    driver.Create("varnix.sport");
    driver.PutByName("PortOpen", Variant::Bool(true));
    ASSERT_EQ(driver.CallByName("PortOpen"), Variant::Bool(true));
    const auto ui1 = [](int v) { return Variant::UI1(static_cast<std::uint8_t>(v)); };

    struct Shape {
        const char* name;
        Variant data;
        std::vector<std::uint8_t> line;  // empty: refused
    };
    const std::vector<Shape> shapes = {
        {"plain vector", Array(VT_UI1, {{2, 0}}, {ui1(1), ui1(2)}), {1, 2}},
        {"two dimensions", Array(VT_UI1, {{2, 0}, {2, 0}}, {ui1(1), ui1(2), ui1(3), ui1(4)}), {}},
        {"lower bound 1", Array(VT_UI1, {{3, 1}}, {ui1(5), ui1(6), ui1(7)}), {}},
        {"variants", Array(VT_VARIANT, {{2, 0}}, {Variant::I4(8), Variant::I2(9)}), {8, 9}},
        {"variants with text", Array(VT_VARIANT, {{2, 0}}, {Variant::I4(8), Variant::Bstr("9")}), {}},
        {"empty", Array(VT_UI1, {{0, 0}}, {}), {}},
        {"nested arrays",
         Array(VT_VARIANT, {{2, 0}}, {Array(VT_UI1, {{1, 0}}, {ui1(1)}), Array(VT_UI1, {{1, 0}}, {ui1(2)})}),
         {}},
        {"text", Variant::Bstr("hello"), {}},
        {"text elements", Array(VT_BSTR, {{2, 0}}, {Variant::Bstr("x"), Variant::Bstr("y")}), {}},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        const Variant result = driver.CallByName("SendBytes", {shape.data});
        if (!shape.line.empty()) {
            EXPECT_EQ(result, Variant::I4(0)) << driver.CallByName("ErrorString");
            EXPECT_EQ(Com1().Receive(shape.line.size(), 5000), shape.line);
        } else {
            EXPECT_TRUE(result == Variant::I4(0) || result == Variant::Null()) << result;
            if (result == Variant::Null()) {
                EXPECT_EQ(driver.CallByName("ErrorString"), Variant::Bstr("Can't access data"));
            }
            EXPECT_TRUE(Com1().Receive(1, 50).empty());
        }
    }
}

TEST_F(HostileClientTest, ReleasedAndForeignObjectsAnswerWithTheirDBusErrors)
{
    DispatchDriver owner(client_);
    owner.Create("varnix.sport");
    DispatchDriver keeper(Connect());
    keeper.Create("varnix.sport");
    const QString server = owner.ServerName();
    const QString path = owner.ObjectPath();
    const auto invoke = [&](QDBusConnection bus) {
        QDBusMessage call = QDBusMessage::createMethodCall(server, path, BusNames::kDispatchInterface,
                                                           QStringLiteral("GetIDsOfNames"));
        call << QStringLiteral("ErrorMethod");
        return bus.call(call).errorName();
    };
    EXPECT_EQ(invoke(Connect()), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    owner.Release();
    EXPECT_EQ(invoke(client_), QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"));
    EXPECT_EQ(keeper.CallByName("ErrorMethod"), Variant::I4(0));
}

TEST_F(HostileClientTest, AClientKilledInTheMiddleOfACallLeavesTheServerServing)
{
    DispatchDriver keeper(Connect());
    keeper.Create("varnix.sport");
    // PowerOn waits ten seconds for a board that never greets.
    QProcess client;
    client.start(QStringLiteral(VARNIX_CALL_PATH), {QStringLiteral("varnix.ez2181"), QStringLiteral("PowerOn")});
    ASSERT_TRUE(client.waitForStarted());
    ASSERT_TRUE(WaitFor([] { return !PortFree(); }));
    ::kill(static_cast<pid_t>(client.processId()), SIGKILL);
    client.waitForFinished();

    // The server ends the call, finds its client gone and lets go of the board's port.
    EXPECT_TRUE(WaitFor(PortFree));
    DispatchDriver next(client_);
    next.Create("varnix.ez2181");
    EXPECT_EQ(next.ServerName(), keeper.ServerName());
    EXPECT_EQ(next.CallByName("ErrorMethod"), Variant::I4(0));
}

TEST_F(HostileClientTest, AServerKilledInTheMiddleOfACallGivesAnAutomationError)
{
    DispatchDriver driver(client_);
    driver.Create("varnix.ez2181");
    const uint pid = ProcessOf(driver.ServerName());
    ASSERT_NE(pid, 0u);
    std::thread killer([pid] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    });
    const HRESULT status = StatusOf([&] { driver.CallByName("PowerOn"); });
    killer.join();
    // Killed during the call, or (on a slow machine) before it reached the server.
    EXPECT_TRUE(status == RPC_E_SERVER_DIED || status == RPC_E_DISCONNECTED) << std::hex << status;
    EXPECT_EQ(StatusOf([&] { driver.CallByName("ErrorMethod"); }), RPC_E_DISCONNECTED);
}

TEST_F(HostileClientTest, HundredsOfObjectsCreatedAndReleasedLeaveNoGrowth)
{
    DispatchDriver keeper(Connect());
    keeper.Create("varnix.sport");
    const uint pid = ProcessOf(keeper.ServerName());
    ASSERT_NE(pid, 0u);
    const auto cycle = [&](int count) {
        for (int i = 0; i < count; ++i) {
            DispatchDriver driver(client_);
            driver.Create(i % 2 == 0 ? "varnix.ez2181" : "varnix.sport");
            ASSERT_EQ(driver.ServerName(), keeper.ServerName());
            driver.CallByName("ErrorMethod");
        }
    };
    cycle(50);  // the server's caches and pools are warm
    const long sizeBefore = StatusNumber(pid, "VmRSS:");
    const long filesBefore = OpenFiles(pid);
    cycle(300);
    EXPECT_EQ(OpenFiles(pid), filesBefore);
    // Kilobytes: what a leak of even 30 bytes an object would still pass, a leak of a
    // board object (its port and buffers) would not.
    EXPECT_LT(StatusNumber(pid, "VmRSS:") - sizeBefore, 8 * 1024);
    EXPECT_TRUE(PortFree());
}

}  // namespace
