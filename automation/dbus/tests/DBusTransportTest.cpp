#include "automation/dbus/AutomationError.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/DBusErrorNames.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/RemoteMemberError.h"
#include "automation/dbus/VariantWire.h"
#include "automation/dbus/tests/BusFixture.h"
#include "automation/dbus/tests/StatusOf.h"
#include "automation/dbus/tests/TestObject.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <bit>
#include <cmath>
#include <csignal>
#include <fstream>
#include <limits>

using namespace std::chrono_literals;

namespace {

std::vector<Variant> Args(std::initializer_list<Variant> values)
{
    return std::vector<Variant>(values);
}

Variant I4Array(std::vector<std::int32_t> values)
{
    std::vector<Variant> elements;
    for (auto v : values) elements.push_back(Variant::I4(v));
    return Variant::Array(*SafeArray::FromElements(VT_I4, std::move(elements)));
}

std::string AllBytes()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

bool ProcessEnded(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return true;
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && (line[close + 2] == 'Z' || line[close + 2] == 'X');
}

class DBusTransportTest : public BusFixture {
protected:
    std::unique_ptr<DispatchDriver> NewDriver(const QDBusConnection& connection)
    {
        return std::make_unique<DispatchDriver>(connection);
    }

    Variant Echo(DispatchDriver& driver, const Variant& value)
    {
        return driver.Call(TestObject::kEcho, {value});
    }
};

TEST_F(DBusTransportTest, CreatesByProgIdInAnyCaseThroughBusActivation)
{
    DispatchDriver driver(client_);
    driver.Create("VARNIX.testobject");
    ASSERT_TRUE(driver.IsCreated());
    EXPECT_EQ(driver.ObjectPath(), QStringLiteral("/org/varnix/Automation/Object/1"));
    EXPECT_TRUE(driver.ServerName().startsWith(QLatin1Char(':')));

    const auto busName = *BusNames::ClassBusName(TestObject::kClassId);
    EXPECT_EQ(client_.interface()->serviceOwner(busName).value(), driver.ServerName());
    const Variant pid = driver.Get(TestObject::kProcessId);
    ASSERT_EQ(pid.vt(), VT_I4);
    EXPECT_NE(pid.i4(), static_cast<std::int32_t>(::getpid()));
    EXPECT_EQ(driver.Call(TestObject::kAdd, Args({Variant::I4(40), Variant::I4(2)})), Variant::I4(42));
}

TEST_F(DBusTransportTest, UnknownProgIdIsClassNotRegistered)
{
    DispatchDriver driver(client_);
    try {
        driver.Create("Varnix.NoSuchClass");
        FAIL() << "created an unregistered class";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.status(), REGDB_E_CLASSNOTREG);
        EXPECT_STREQ(e.what(), "class not registered: run varnix -Register to register the server");
    }
    EXPECT_FALSE(driver.IsCreated());
}

TEST_F(DBusTransportTest, ServerThatExitsAtOnceIsServerExecutionFailed)
{
    const ClassesRoot classes;
    ASSERT_TRUE(classes.Register({"{5B2E4C1A-7D3F-4A60-8E91-0A1B2C3D4E0F}", "Varnix.Broken", "Varnix.Broken", "/bin/false"}));
    DispatchDriver driver(client_);
    try {
        driver.Create("varnix.broken");
        FAIL() << "created an object of a server that does not run";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.status(), CO_E_SERVER_EXEC_FAILURE);
        EXPECT_EQ(std::string(e.what()).rfind("server execution failed: run varnix -Register again; ", 0), 0u)
            << e.what();
    }
}

TEST_F(DBusTransportTest, ServerThatDoesNotComeUpInTimeIsServerExecutionFailed)
{
    QTemporaryDir folder;
    const QString script = folder.filePath(QStringLiteral("slow-server"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexec sleep 3\n");
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    const ClassesRoot classes;
    ASSERT_TRUE(classes.Register({"{5B2E4C1A-7D3F-4A60-8E91-0A1B2C3D4E0D}", "Varnix.Slow", "Varnix.Slow", script.toStdString()}));

    DispatchDriver driver(client_);
    driver.SetCreateTimeout(300ms);
    EXPECT_EQ(StatusOf([&] { driver.Create("Varnix.Slow"); }), CO_E_SERVER_EXEC_FAILURE);
    EXPECT_FALSE(driver.IsCreated());
}

TEST_F(DBusTransportTest, RegisteredClassWithoutServiceFileIsServerExecutionFailed)
{
    const ClassesRoot classes;
    const std::string classId = "{5B2E4C1A-7D3F-4A60-8E91-0A1B2C3D4E0E}";
    ASSERT_TRUE(classes.Register({classId, "Varnix.Gone", "Varnix.Gone", TEST_SERVER_PATH}));
    ASSERT_TRUE(QFile::remove(ServicesFolder() + QLatin1Char('/') + *BusNames::ClassBusName(classId) + ".service"));
    DispatchDriver driver(client_);
    EXPECT_EQ(StatusOf([&] { driver.Create("Varnix.Gone"); }), CO_E_SERVER_EXEC_FAILURE);
}

TEST_F(DBusTransportTest, EveryScalarTypeComesBackExactly)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    const std::vector<Variant> values = {
        Variant(),
        Variant::Null(),
        Variant::I1(-128),
        Variant::UI1(255),
        Variant::I2(-32768),
        Variant::UI2(65535),
        Variant::I4(std::numeric_limits<std::int32_t>::min()),
        Variant::UI4(0xFFFFFFFFu),
        Variant::Int(-7),
        Variant::UInt(4000000000u),
        Variant::I8(std::numeric_limits<std::int64_t>::min()),
        Variant::UI8(0xFEDCBA9876543210ull),
        Variant::R4(-1.5f),
        *Variant::FromBits(VT_R4, 0x7FA00001),  // a signalling NaN with a payload
        Variant::R8(3.141592653589793),
        *Variant::FromBits(VT_R8, 0x7FF4000000000123ull),  // NaN payload
        Variant::R8(-0.0),
        Variant::Cy(-123456789012345),
        Variant::Date(36526.75),
        Variant::Bstr(""),
        Variant::Bstr(AllBytes()),
        Variant::Error(static_cast<std::int32_t>(0x80020005)),
        Variant::Bool(true),
        Variant::Bool(false),
        *Variant::FromBits(VT_BOOL, 0x1234),  // odd bits of a BOOL survive too
    };
    for (const Variant& value : values) {
        const Variant back = Echo(driver, value);
        EXPECT_EQ(back, value) << value.ToDebugString() << " came back as " << back.ToDebugString();
        EXPECT_EQ(back.bits(), value.bits()) << value.ToDebugString();
    }
}

TEST_F(DBusTransportTest, EveryArrayShapeComesBackExactly)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);

    std::vector<Variant> arrays;
    for (VarType element : {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_I8, VT_UI8, VT_R4, VT_R8,
                            VT_CY, VT_DATE, VT_ERROR, VT_BOOL}) {
        SafeArray array = SafeArray::Vector(element, 3);
        for (std::size_t i = 0; i < 3; ++i)
            ASSERT_TRUE(array.set(i, *Variant::FromBits(element, 0xF0E1D2C3B4A59687ull * (i + 1))));
        arrays.push_back(Variant::Array(std::move(array)));
    }
    SafeArray texts = SafeArray::Vector(VT_BSTR, 3);
    texts.set(0, Variant::Bstr(AllBytes()));
    texts.set(2, Variant::Bstr(std::string("a\0b", 3)));
    arrays.push_back(Variant::Array(texts));

    // Two dimensions with lower bounds other than 0: 2 x 3, row-major.
    SafeArray grid = *SafeArray::Create(VT_I2, {{2, -1}, {3, 5}});
    for (std::size_t i = 0; i < grid.size(); ++i) grid.set(i, Variant::I2(static_cast<std::int16_t>(i * 11)));
    arrays.push_back(Variant::Array(grid));
    arrays.push_back(Variant::Array(*SafeArray::Create(VT_UI1, {{2, 0}, {2, 0}, {2, 1}})));
    arrays.push_back(Variant::Array(*SafeArray::Create(VT_I4, {{0, 3}})));  // no elements

    // A VT_VARIANT array of mixed values, one of them an array itself.
    SafeArray mixed = SafeArray::Vector(VT_VARIANT, 5);
    mixed.set(0, Variant::I4(1));
    mixed.set(1, Variant::Bstr("two"));
    mixed.set(2, Variant::Null());
    mixed.set(3, I4Array({3, 4, 5}));
    mixed.set(4, *Variant::FromBits(VT_R4, 0x40490FDB));
    arrays.push_back(Variant::Array(mixed));

    for (const Variant& value : arrays) {
        const Variant back = Echo(driver, value);
        EXPECT_EQ(back, value) << value.ToDebugString() << " came back as " << back.ToDebugString();
        ASSERT_TRUE(back.IsArray());
        EXPECT_EQ(back.array().dims(), value.array().dims());
    }
}

TEST_F(DBusTransportTest, DispatchExceptionArrivesWithItsCodeTextSourceAndHelpContext)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    try {
        driver.Call(TestObject::kFail, Args({Variant::I4(12), Variant::Bstr("SerialPort Timeout Error \xFF")}));
        FAIL() << "no dispatch error";
    } catch (const RemoteMemberError& e) {
        EXPECT_STREQ(e.what(), "SerialPort Timeout Error \xFF");
        EXPECT_EQ(e.code(), 12);
        EXPECT_EQ(e.info().source, "TestObject");
        EXPECT_EQ(e.info().helpContext, 7u);
        EXPECT_EQ(e.info().scode, S_OK);
    }
    // The object lives on: a later call works.
    EXPECT_EQ(driver.Call(TestObject::kAdd, Args({Variant::I4(1), Variant::I4(2)})), Variant::I4(3));
}

TEST_F(DBusTransportTest, ServerDyingDuringACallIsAnAutomationErrorNotADispatchError)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    const QString server = driver.ServerName();
    try {
        driver.Call(TestObject::kCrash);
        FAIL() << "the call returned";
    } catch (const RemoteMemberError&) {
        FAIL() << "a transport failure came back as a dispatch error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.status(), RPC_E_SERVER_DIED);
        EXPECT_STREQ(e.what(), "the server ended during the call");
    }
    // Later calls: the server's name has gone.
    try {
        driver.Get(TestObject::kValue);
        FAIL() << "a call to a dead server returned";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.status(), RPC_E_DISCONNECTED);
        EXPECT_STREQ(e.what(), "the server has disconnected");
    }
}

TEST_F(DBusTransportTest, WrongIdentifierArgumentCountAndTypeComeBackAsSuch)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    EXPECT_EQ(StatusOf([&] { driver.Call(0x7777); }), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(StatusOf([&] { driver.Call(TestObject::kAdd, Args({Variant::I4(1)})); }), DISP_E_BADPARAMCOUNT);
    try {
        driver.Call(TestObject::kAdd, Args({Variant::I4(1), Variant::Bstr("not a number")}));
        FAIL() << "no type mismatch";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.status(), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(e.argumentIndex(), 1u);
        EXPECT_STREQ(e.what(), "type mismatch");
    }
    EXPECT_EQ(StatusOf([&] { driver.Call(TestObject::kEcho, Args({Variant::I4(1)})); }), S_OK);
    // Only method, get and put travel; a put by reference or any higher bit is an invalid argument.
    for (const auto flags : {InvokeKind::PropertyPutRef, InvokeKind::PropertyPut | InvokeKind::PropertyPutRef,
                             static_cast<InvokeKind>(0x10)})
        EXPECT_EQ(StatusOf([&] { driver.Invoke(TestObject::kValue, flags, Args({Variant::I4(1)})); }), E_INVALIDARG)
            << static_cast<int>(flags);
}

TEST_F(DBusTransportTest, NamesAreLookedUpWithoutRegardToCase)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    EXPECT_EQ(driver.DispIdOfName("concat"), TestObject::kConcat);
    EXPECT_EQ(driver.CallByName("CONCAT", Args({Variant::Bstr("ab"), Variant::Bstr("cd")})), Variant::Bstr("abcd"));
    EXPECT_EQ(StatusOf([&] { driver.DispIdOfName("NoSuchMember"); }), DISP_E_UNKNOWNNAME);
}

TEST_F(DBusTransportTest, PropertiesArePutAndGot)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    EXPECT_EQ(driver.Get(TestObject::kValue), Variant::I4(0));
    driver.Put(TestObject::kValue, Variant::I4(-5));
    EXPECT_EQ(driver.Get(TestObject::kValue), Variant::I4(-5));
    driver.PutByName("value", Variant::I2(9));  // converted to the property's type
    EXPECT_EQ(driver.CallByName("Value"), Variant::I4(9));

    try {
        driver.Put(TestObject::kProcessId, Variant::I4(1));
        FAIL() << "wrote a read-only property";
    } catch (const RemoteMemberError& e) {
        EXPECT_STREQ(e.what(), "Unable to write read-only property.");
    }
    try {
        driver.Get(TestObject::kSecret);
        FAIL() << "read a write-only property";
    } catch (const RemoteMemberError& e) {
        EXPECT_STREQ(e.what(), "Unable to read write-only property.");
    }
}

TEST_F(DBusTransportTest, TwoClientsGetIndependentObjectsFromOneServer)
{
    QDBusConnection other = Connect();
    DispatchDriver first(client_);
    DispatchDriver second(other);
    first.Create(TestObject::kProgId);
    second.Create("varnix.TESTOBJECT");
    EXPECT_EQ(first.ServerName(), second.ServerName());
    EXPECT_NE(first.ObjectPath(), second.ObjectPath());

    first.Put(TestObject::kValue, Variant::I4(1));
    second.Put(TestObject::kValue, Variant::I4(2));
    EXPECT_EQ(first.Get(TestObject::kValue), Variant::I4(1));
    EXPECT_EQ(second.Get(TestObject::kValue), Variant::I4(2));
    EXPECT_EQ(first.Get(TestObject::kLiveObjects), Variant::I4(2));
}

TEST_F(DBusTransportTest, AnotherConnectionCannotCallAnObjectItDidNotCreate)
{
    DispatchDriver owner(client_);
    owner.Create(TestObject::kProgId);
    QDBusConnection third = Connect();

    for (const QString& method : {QStringLiteral("GetIDsOfNames"), QStringLiteral("Invoke"), QStringLiteral("Release")}) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(owner.ServerName(), owner.ObjectPath(), BusNames::kDispatchInterface, method);
        if (method == QLatin1String("GetIDsOfNames")) call << QStringLiteral("Value");
        if (method == QLatin1String("Invoke"))
            call << std::int32_t{TestObject::kValue} << 2u << QVariant::fromValue(QList<WireVariant>());
        const QDBusMessage reply = third.call(call);
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << method.toStdString();
        EXPECT_EQ(reply.errorName(), DBusErrorNames::kAccessDenied) << method.toStdString();
    }
    // The refused Release released nothing.
    EXPECT_EQ(owner.Get(TestObject::kLiveObjects), Variant::I4(1));
}

TEST_F(DBusTransportTest, UnknownObjectPathIsRefused)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    QDBusMessage call = QDBusMessage::createMethodCall(driver.ServerName(), BusNames::ObjectPath(99),
                                                       BusNames::kDispatchInterface, QStringLiteral("Release"));
    EXPECT_EQ(client_.call(call).errorName(), DBusErrorNames::kUnknownObject);
}

TEST_F(DBusTransportTest, MalformedArgumentIsInvalidArgumentWithItsIndex)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);

    // Second argument claims VT_I4 but carries a string.
    QDBusArgument args;
    args.beginArray(QMetaType::fromType<WireVariant>());
    args << WireVariant{Variant::I4(1), true};
    args.beginStructure();
    args << static_cast<ushort>(VT_I4) << QDBusVariant(QStringLiteral("one"));
    args.endStructure();
    args.endArray();
    QDBusMessage call = QDBusMessage::createMethodCall(driver.ServerName(), driver.ObjectPath(),
                                                       BusNames::kDispatchInterface, QStringLiteral("Invoke"));
    call << std::int32_t{TestObject::kAdd} << 1u << QVariant::fromValue(args);
    const QDBusMessage reply = client_.call(call);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    ASSERT_EQ(reply.signature(), QStringLiteral("i(qv)(qiayayayu)u"));
    EXPECT_EQ(reply.arguments().at(0).toInt(), E_INVALIDARG);
    EXPECT_EQ(reply.arguments().at(3).toUInt(), 1u);
}

// "(a(ui)<elements>)" built by hand, with bounds and elements as given.
template <class T>
QVariant ArrayValue(std::vector<std::pair<uint, int>> bounds, std::vector<T> elements)
{
    QDBusArgument value;
    value.beginStructure();
    value.beginArray(QMetaType::fromType<WireBound>());
    for (const auto& [count, lower] : bounds) value << WireBound{count, lower};
    value.endArray();
    value.beginArray(QMetaType::fromType<T>());
    for (const T& element : elements) value << element;
    value.endArray();
    value.endStructure();
    return QVariant::fromValue(value);
}

TEST_F(DBusTransportTest, MalformedValuesOfEveryKindAreRefused)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    struct Case {
        const char* what;
        ushort tag;
        QVariant value;
    };
    std::vector<std::pair<uint, int>> tooManyDims(33, {1, 0});
    const std::vector<Case> cases = {
        {"fewer elements than the bounds say", VT_ARRAY | VT_I4, ArrayValue<int>({{3, 0}}, {1, 2})},
        {"more elements than the bounds say", VT_ARRAY | VT_I4, ArrayValue<int>({{1, 0}}, {1, 2})},
        {"elements of another D-Bus type", VT_ARRAY | VT_I4, ArrayValue<short>({{2, 0}}, {1, 2})},
        {"more elements than allowed", VT_ARRAY | VT_UI1, ArrayValue<uchar>({{0xFFFFFFFFu, 0}}, {})},
        {"more than 32 dimensions", VT_ARRAY | VT_UI1, ArrayValue<uchar>(tooManyDims, {7})},
        {"no dimension", VT_ARRAY | VT_UI1, ArrayValue<uchar>({}, {})},
        {"array of VT_EMPTY", VT_ARRAY | VT_EMPTY, ArrayValue<uchar>({{1, 0}}, {0})},
        {"an automation object", VT_DISPATCH, QVariant::fromValue(uchar(0))},
        {"a reference", VT_BYREF | VT_I4, QVariant::fromValue(int(1))},
        {"text as a D-Bus string", VT_BSTR, QVariant::fromValue(QStringLiteral("text"))},
        {"an unknown tag", 0x0FFF, QVariant::fromValue(uchar(0))},
    };
    for (const Case& c : cases) {
        QDBusArgument args;
        args.beginArray(QMetaType::fromType<WireVariant>());
        args.beginStructure();
        args << c.tag << QDBusVariant(c.value);
        args.endStructure();
        args.endArray();
        QDBusMessage call = QDBusMessage::createMethodCall(driver.ServerName(), driver.ObjectPath(),
                                                           BusNames::kDispatchInterface, QStringLiteral("Invoke"));
        call << std::int32_t{TestObject::kEcho} << 1u << QVariant::fromValue(args);
        const QDBusMessage reply = client_.call(call);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << c.what << ": " << reply.errorMessage().toStdString();
        EXPECT_EQ(reply.arguments().at(0).toInt(), E_INVALIDARG) << c.what;
    }
    // The server is unharmed.
    EXPECT_EQ(Echo(driver, I4Array({1, 2})), I4Array({1, 2}));
}

TEST_F(DBusTransportTest, ObjectsOfAKilledClientAreReleased)
{
    DispatchDriver watcher(client_);
    watcher.Create(TestObject::kProgId);

    QProcess holder;
    holder.start(QStringLiteral(TEST_SERVER_PATH), {QStringLiteral("--hold"), QString::fromLatin1(TestObject::kProgId)});
    ASSERT_TRUE(holder.waitForStarted());
    ASSERT_TRUE(holder.waitForReadyRead(30000));
    EXPECT_TRUE(holder.readLine().startsWith("created /org/varnix/Automation/Object/"));
    EXPECT_EQ(watcher.Get(TestObject::kLiveObjects), Variant::I4(2));

    ::kill(static_cast<pid_t>(holder.processId()), SIGKILL);
    holder.waitForFinished();
    EXPECT_TRUE(WaitFor([&] { return watcher.Get(TestObject::kLiveObjects) == Variant::I4(1); }));
}

TEST_F(DBusTransportTest, AnObjectWhoseClientLeavesDuringACallIsDestroyedWhenTheCallEnds)
{
    DispatchDriver watcher(client_);
    watcher.Create(TestObject::kProgId);
    // A client of its own connection, which it closes by dropping it.
    QDBusConnection leaving = Connect();
    const QString leavingName = leaving.name();
    const QDBusMessage created = leaving.call(QDBusMessage::createMethodCall(
        watcher.ServerName(), *BusNames::FactoryPath(TestObject::kClassId), BusNames::kFactoryInterface,
        QStringLiteral("CreateInstance")));
    ASSERT_EQ(created.signature(), QStringLiteral("io")) << created.errorMessage().toStdString();
    QDBusMessage wait = QDBusMessage::createMethodCall(watcher.ServerName(),
                                                       created.arguments().at(1).value<QDBusObjectPath>().path(),
                                                       BusNames::kDispatchInterface, QStringLiteral("Invoke"));
    wait << std::int32_t{TestObject::kWaitAtGate} << 1u
         << QVariant::fromValue(QList<WireVariant>{WireVariant{Variant::I4(20000), true}});
    leaving.send(wait);
    ASSERT_TRUE(WaitFor([&] { return watcher.Get(TestObject::kWaitingAtGate) == Variant::I4(1); }));

    // The client leaves while its call waits at the gate: the server lets the
    // call end, and serves the other object meanwhile.
    leaving = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(leavingName);
    EXPECT_EQ(watcher.Get(TestObject::kLiveObjects), Variant::I4(2));
    watcher.Call(TestObject::kOpenGate);
    EXPECT_TRUE(WaitFor([&] { return watcher.Get(TestObject::kLiveObjects) == Variant::I4(1); }));
}

TEST_F(DBusTransportTest, ReleasingTheLastObjectEndsTheServer)
{
    DispatchDriver first(client_);
    DispatchDriver second(client_);
    first.Create(TestObject::kProgId);
    second.Create(TestObject::kProgId);
    const QString server = first.ServerName();
    first.Release();
    EXPECT_FALSE(first.IsCreated());
    EXPECT_EQ(second.Get(TestObject::kLiveObjects), Variant::I4(1));
    second.Release();
    EXPECT_TRUE(NameGone(server));
    EXPECT_TRUE(NameGone(*BusNames::ClassBusName(TestObject::kClassId)));
}

TEST_F(DBusTransportTest, DestroyingTheDriverReleasesItsObject)
{
    DispatchDriver keeper(client_);
    keeper.Create(TestObject::kProgId);
    {
        DispatchDriver passing(client_);
        passing.Create(TestObject::kProgId);
        EXPECT_EQ(keeper.Get(TestObject::kLiveObjects), Variant::I4(2));
    }
    EXPECT_EQ(keeper.Get(TestObject::kLiveObjects), Variant::I4(1));
}

TEST_F(DBusTransportTest, ReleasedDriverRefusesCalls)
{
    DispatchDriver driver(client_);
    EXPECT_EQ(StatusOf([&] { driver.Get(TestObject::kValue); }), CO_E_OBJNOTCONNECTED);
    driver.Create(TestObject::kProgId);
    driver.Release();
    EXPECT_EQ(StatusOf([&] { driver.Get(TestObject::kValue); }), CO_E_OBJNOTCONNECTED);
}

TEST_F(DBusTransportTest, OneProcessPerObjectClassStartsAFreshCopyForEachObject)
{
    DispatchDriver first(client_);
    DispatchDriver second(client_);
    first.Create(TestObject::kSingleProgId);
    second.Create(TestObject::kSingleProgId);
    EXPECT_NE(first.ServerName(), second.ServerName());
    EXPECT_NE(first.Get(TestObject::kProcessId), second.Get(TestObject::kProcessId));
    EXPECT_EQ(first.Get(TestObject::kLiveObjects), Variant::I4(1));
    EXPECT_EQ(second.Get(TestObject::kLiveObjects), Variant::I4(1));
}

TEST_F(DBusTransportTest, CopyThatHandedOutItsOneObjectRefusesFurtherCreations)
{
    DispatchDriver first(client_);
    first.Create(TestObject::kSingleProgId);
    // A creation that still reaches the first copy (sent to it before it gave
    // up the class's name) is refused, so that the client tries a fresh copy.
    const QDBusMessage late = client_.call(QDBusMessage::createMethodCall(
        first.ServerName(), *BusNames::FactoryPath(TestObject::kSingleClassId), BusNames::kFactoryInterface,
        QStringLiteral("CreateInstance")));
    EXPECT_EQ(late.errorName(), DBusErrorNames::kUnknownObject);
    EXPECT_FALSE(client_.interface()->serviceOwner(*BusNames::ClassBusName(TestObject::kSingleClassId)).value() ==
                 first.ServerName());
    EXPECT_EQ(first.Get(TestObject::kLiveObjects), Variant::I4(1));
}

TEST_F(DBusTransportTest, IntrospectionDescribesFactoryAndObject)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    const auto introspect = [&](const QString& path) {
        const QDBusMessage reply = client_.call(QDBusMessage::createMethodCall(
            driver.ServerName(), path, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")));
        return reply.arguments().value(0).toString();
    };
    const QString factory = introspect(*BusNames::FactoryPath(TestObject::kClassId));
    EXPECT_TRUE(factory.contains(QStringLiteral("<method name=\"CreateInstance\">"))) << factory.toStdString();
    const QString object = introspect(driver.ObjectPath());
    EXPECT_TRUE(object.contains(QStringLiteral("<arg name=\"args\" type=\"a(qv)\" direction=\"in\"/>")))
        << object.toStdString();
    EXPECT_TRUE(object.contains(QStringLiteral("<arg name=\"excepinfo\" type=\"(qiayayayu)\" direction=\"out\"/>")));
}

TEST_F(DBusTransportTest, ServerEndsWhenItsBusGoesAway)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    const pid_t server = driver.Get(TestObject::kProcessId).i4();
    Bus().Stop();
    EXPECT_TRUE(WaitFor([&] { return ProcessEnded(server); }));
    EXPECT_EQ(StatusOf([&] { driver.Get(TestObject::kValue); }), RPC_E_DISCONNECTED);
}

TEST_F(DBusTransportTest, ACallWaitsForTheEarlierCallOfItsObjectThatRunsANestedEventLoop)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    QTemporaryDir folder;
    const QString marker = folder.filePath(QStringLiteral("nested"));
    // Sent without waiting for the reply, on the connection that owns the object.
    QDBusMessage nested = QDBusMessage::createMethodCall(driver.ServerName(), driver.ObjectPath(),
                                                         BusNames::kDispatchInterface, QStringLiteral("Invoke"));
    nested << std::int32_t{TestObject::kNestedLoop} << 1u
           << QVariant::fromValue(QList<WireVariant>{WireVariant{Variant::Bstr(marker.toStdString()), true}});
    QDBusPendingCall pending = client_.asyncCall(nested, 60000);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(marker); }));

    // The object's call is inside its nested loop now; the next call of the
    // object runs after it, not inside it.
    EXPECT_EQ(driver.Get(TestObject::kCallDepth), Variant::I4(1));
    EXPECT_TRUE(pending.isFinished());
    pending.waitForFinished();
    EXPECT_EQ(pending.reply().type(), QDBusMessage::ReplyMessage);
}

TEST_F(DBusTransportTest, CallsOnDifferentObjectsRunAtTheSameTime)
{
    DispatchDriver waiting(client_);
    DispatchDriver opening(client_);
    waiting.Create(TestObject::kProgId);
    opening.Create(TestObject::kProgId);
    ASSERT_EQ(waiting.ServerName(), opening.ServerName());
    // Sent first on the same connection, so the server has it first; it waits
    // at the gate until the other object's call opens it. Served one at a
    // time, it would wait its full 20 s and give 0.
    QDBusMessage wait = QDBusMessage::createMethodCall(waiting.ServerName(), waiting.ObjectPath(),
                                                       BusNames::kDispatchInterface, QStringLiteral("Invoke"));
    wait << std::int32_t{TestObject::kWaitAtGate} << 1u
         << QVariant::fromValue(QList<WireVariant>{WireVariant{Variant::I4(20000), true}});
    QDBusPendingCall pending = client_.asyncCall(wait, 60000);
    EXPECT_EQ(opening.Call(TestObject::kOpenGate), Variant::I4(0));
    pending.waitForFinished();
    const QDBusMessage reply = pending.reply();
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(qdbus_cast<WireVariant>(reply.arguments().at(1)).value, Variant::I4(1));
}

TEST_F(DBusTransportTest, AnswersOfOneObjectLeaveInTheOrderOfItsCalls)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    // Sent without waiting for any answer: each round puts the value and
    // reads it back twice.
    const auto invoke = [&](std::int32_t dispid, std::uint32_t flags, QList<WireVariant> args) {
        QDBusMessage call = QDBusMessage::createMethodCall(driver.ServerName(), driver.ObjectPath(),
                                                           BusNames::kDispatchInterface, QStringLiteral("Invoke"));
        call << dispid << flags << QVariant::fromValue(args);
        return client_.asyncCall(call, 60000);
    };
    // The bus lets a connection wait for 128 answers at most.
    constexpr int kRounds = 40;
    std::vector<QDBusPendingCall> calls;
    for (int i = 0; i < kRounds; ++i) {
        calls.push_back(invoke(TestObject::kValue, 4u, {WireVariant{Variant::I4(i), true}}));
        calls.push_back(invoke(TestObject::kValue, 2u, {}));
        calls.push_back(invoke(TestObject::kValue, 2u, {}));
    }
    // An answer that overtook an earlier one shows as a finished call before an
    // unfinished one. Answers keep arriving while this looks, so it looks from
    // the last call back: once a finished call is seen, every earlier one it
    // looks at afterwards must be finished too.
    const auto finished = [](const QDBusPendingCall& call) { return call.isFinished(); };
    bool inOrder = true;
    const bool allAnswered = WaitFor([&] {
        const auto lastFinished = std::find_if(calls.rbegin(), calls.rend(), finished);
        if (!std::all_of(lastFinished, calls.rend(), finished)) inOrder = false;
        return std::all_of(calls.begin(), calls.end(), finished);
    });
    ASSERT_TRUE(allAnswered);
    EXPECT_TRUE(inOrder);
    for (int i = 0; i < kRounds; ++i) {
        for (int read = 1; read <= 2; ++read) {
            const QDBusMessage reply = calls[static_cast<std::size_t>(3 * i + read)].reply();
            ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
            EXPECT_EQ(qdbus_cast<WireVariant>(reply.arguments().at(1)).value, Variant::I4(i)) << "round " << i;
        }
    }
}

TEST_F(DBusTransportTest, AReleasedObjectIsGoneBeforeTheReleaseIsAnswered)
{
    DispatchDriver keeper(client_);
    keeper.Create(TestObject::kProgId);
    // A client that releases its object as soon as a call of it is answered
    // finds it gone at once, though the object's next call never passes the
    // thread that destroys it.
    for (int i = 0; i < 20; ++i) {
        DispatchDriver passing(client_);
        passing.Create(TestObject::kProgId);
        EXPECT_EQ(passing.Call(TestObject::kAdd, {Variant::I4(i), Variant::I4(1)}), Variant::I4(i + 1));
        passing.Release();
        EXPECT_EQ(keeper.Get(TestObject::kLiveObjects), Variant::I4(1)) << "call " << i;
    }
}

TEST_F(DBusTransportTest, UnsendableArgumentIsRefusedBeforeSending)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    Variant target = Variant::I4(1);
    EXPECT_EQ(StatusOf([&] { driver.Call(TestObject::kEcho, Args({Variant::ByRef(&target)})); }), DISP_E_BADVARTYPE);
    EXPECT_EQ(StatusOf([&] { driver.Call(TestObject::kEcho, Args({Variant::Dispatch(nullptr)})); }), DISP_E_BADVARTYPE);
}

TEST_F(DBusTransportTest, CommandLineClientCallsMembersAndReportsFailures)
{
    QProcess call;
    call.start(QStringLiteral(VARNIX_CALL_PATH),
               {QStringLiteral("varnix.testobject"), QStringLiteral("Value=7"), QStringLiteral("Value"),
                QStringLiteral("Add(40, 0x2)"), QStringLiteral("Echo([1, 2, 3])"), QStringLiteral("Concat(\"a\\x41\", b)"),
                QStringLiteral("Echo(null)"), QStringLiteral("Fail(5, \"it broke\")"), QStringLiteral("Value")});
    ASSERT_TRUE(call.waitForFinished(60000));
    EXPECT_EQ(call.exitCode(), 1);
    EXPECT_EQ(call.readAllStandardOutput(), QByteArray("7\n42\n[1, 2, 3]\naAb\nnull\n"));
    EXPECT_EQ(call.readAllStandardError(), QByteArray("varnix-call: Fail: it broke (code 5)\n"));


    QProcess wrongCount;
    wrongCount.start(QStringLiteral(VARNIX_CALL_PATH), {QStringLiteral("Varnix.TestObject"), QStringLiteral("Add(1)")});
    ASSERT_TRUE(wrongCount.waitForFinished(60000));
    EXPECT_EQ(wrongCount.exitCode(), 2);
    EXPECT_EQ(wrongCount.readAllStandardError(),
              QByteArray("varnix-call: Add: invalid number of parameters (0x8002000E)\n"));
}

// A failure of the user's setup says what to do about it, and where to read more.
TEST_F(DBusTransportTest, CommandLineClientNamesTheRemedyForASetupThatFails)
{
    const ClassesRoot classes;
    ASSERT_TRUE(classes.Register({"{5B2E4C1A-7D3F-4A60-8E91-0A1B2C3D4E0C}", "Varnix.Broken", "Varnix.Broken", "/bin/false"}));
    const QProcessEnvironment withBus = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment withoutBus = withBus;
    withoutBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    const struct {
        const char* progId;
        const QProcessEnvironment& environment;
        std::string line;
    } cases[] = {
        {"Varnix.Nothing", withBus,
         "Varnix.Nothing: class not registered: run varnix -Register to register the server (0x80040154)"},
        {"Varnix.Broken", withBus,
         "Varnix.Broken: server execution failed: run varnix -Register again; the server's messages go to the "
         "session bus's standard error (docs/getting-started.md) (0x80080005)"},
        {"Varnix.TestObject", withoutBus,
         "Varnix.TestObject: the session bus cannot be reached: start one as docs/getting-started.md says "
         "(\"A session bus where there is no desktop\") (0x800401F0)"},
    };
    for (const auto& c : cases) {
        QProcess call;
        call.setProcessEnvironment(c.environment);
        call.start(QStringLiteral(VARNIX_CALL_PATH), {QString::fromLatin1(c.progId), QStringLiteral("Value")});
        ASSERT_TRUE(call.waitForFinished(60000));
        EXPECT_EQ(call.exitCode(), 2);
        // Qt may add its own warnings when a program ends while its bus thread still reads a
        // message ("Trying to construct an instance of an invalid type"); only the program's
        // own first line is its text.
        const std::string errors = call.readAllStandardError().toStdString();
        EXPECT_EQ(errors.substr(0, errors.find('\n') + 1), "varnix-call: " + c.line + "\n");
        EXPECT_EQ(errors.find("varnix-call:", 1), std::string::npos) << errors;
        EXPECT_EQ(call.readAllStandardOutput().toStdString(), "");
    }
}

// A mistake on the command line: the mistake and one line pointing to --help.
TEST_F(DBusTransportTest, CommandLineClientShowsAMistakeAndWhereTheHelpIs)
{
    const struct {
        QStringList args;
        std::string mistake;
    } cases[] = {
        {{"Varnix.TestObject", "Add(1"}, "missing ')' in Add(1"},
        {{}, "no PROGID given (varnix.ez2181, varnix.sport, ...)"},
        {{"--timeout"}, "--timeout needs a number of seconds"},
        {{"--timeout", "soon", "Varnix.TestObject"}, "--timeout takes a whole number of seconds above 0, not \"soon\""},
        {{"--verbose", "Varnix.TestObject"}, "unknown option --verbose"},
    };
    for (const auto& c : cases) {
        QProcess call;
        call.start(QStringLiteral(VARNIX_CALL_PATH), c.args);
        ASSERT_TRUE(call.waitForFinished(60000));
        EXPECT_EQ(call.exitCode(), 3);
        EXPECT_EQ(call.readAllStandardError().toStdString(),
                  "varnix-call: " + c.mistake + "\nTry 'varnix-call --help' for more information.\n");
    }
}

}  // namespace
