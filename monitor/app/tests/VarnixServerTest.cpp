#include "automation/dbus/AutomationError.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/RemoteMemberError.h"
#include "automation/dbus/ServiceFile.h"
#include "automation/dbus/tests/StatusOf.h"
#include "monitor/app/CMainFrame.h"
#include "monitor/app/CVarnixApp.h"
#include "monitor/app/CVarnixDoc.h"
#include "monitor/app/VarnixClassTable.h"
#include "monitor/app/tests/VarnixBusFixture.h"
#include "monitor/boards/Ez2181.h"
#include "platform/PortMap.h"
#include "platform/SettingsStore.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/RecordingNotifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>

#include <csignal>
#include <unistd.h>

namespace {

constexpr std::int32_t kErrorMethod = 0x30001;
constexpr std::int32_t kErrorCode = 0x30002;
constexpr std::int32_t kErrorString = 0x30003;
constexpr std::int32_t kSetBaud = 3;
constexpr std::int32_t kProgFlash = 0x10006;
constexpr std::int32_t kVerifyFlash = 0x10007;
constexpr std::int32_t kCannotOpen = 3;
// Sport derives from AutoBase directly.
constexpr std::int32_t kSportErrorMethod = 0x10001;

QString ClassBusName(const char* progId)
{
    return *BusNames::ClassBusName(VarnixClassTable::Find(progId)->factory.classId());
}

// Starts a client process that creates an object of `progId` and holds it
// until killed; the path of its object when that worked.
QByteArray StartHolder(QProcess& holder, const char* progId, const QStringList& steps = {})
{
    holder.start(QStringLiteral(HOLDER_PATH), QStringList{QStringLiteral("--hold"), QString::fromLatin1(progId)} + steps);
    while (!holder.canReadLine())
        if (!holder.waitForReadyRead(30000)) return {};
    const QByteArray line = holder.readLine().trimmed();
    return line.startsWith("created ") ? line.mid(8) : QByteArray();
}

bool PortFree()
{
    TermiosCommDevice device;
    return device.Open(PortMap::DevicePath("COM1"));
}

class VarnixServerTest : public VarnixBusFixture {
protected:
    std::string MissingFile() { return (Homes().Data() + QStringLiteral("/missing.bnm")).toStdString(); }
};

TEST_F(VarnixServerTest, CreationInAnyCaseStartsTheServerWithEmbedding)
{
    ASSERT_FALSE(client_.interface()->isServiceRegistered(ClassBusName("Varnix.Ez2181")).value());
    DispatchDriver driver(client_);
    driver.Create("varnix.ez2181");
    ASSERT_TRUE(driver.IsCreated());
    EXPECT_EQ(client_.interface()->serviceOwner(ClassBusName("Varnix.Ez2181")).value(), driver.ServerName());

    const uint pid = ProcessOf(driver.ServerName());
    ASSERT_NE(pid, 0u);
    EXPECT_NE(pid, static_cast<uint>(::getpid()));
    EXPECT_EQ(CommandLineOf(pid), QStringList({QStringLiteral(VARNIX_PATH), QStringLiteral("-Embedding")}));

    DispatchDriver shouting(Connect());
    shouting.Create("VARNIX.EZ2181");
    EXPECT_EQ(shouting.ServerName(), driver.ServerName());
}

TEST_F(VarnixServerTest, AServerStartedForAClientWritesNoRegistration)
{
    // Values that a registration would overwrite.
    const std::string sportHandler = "CLSID\\" + std::string(VarnixClassTable::Find("Varnix.Sport")->factory.classId()) +
                                     "\\InprocHandler32";
    {
        SettingsStore classesRoot(ClassesRoot::kDefaultFile);
        classesRoot.setValue(QString::fromStdString(sportHandler), QStringLiteral("left alone"));
        ASSERT_TRUE(classesRoot.sync());
    }
    const QString documentService = ServiceFile::PathFor(ClassBusName("Varnix.Document"));
    QFile service(documentService);
    ASSERT_TRUE(service.open(QIODevice::Append));
    service.write("# left alone\n");
    service.close();

    DispatchDriver driver(client_);
    driver.Create("varnix.sport");
    driver.Release();
    DispatchDriver document(Connect());
    document.Create("varnix.document");
    document.Release();

    EXPECT_EQ(ClassesRoot().Value(sportHandler), "left alone");
    ASSERT_TRUE(service.open(QIODevice::ReadOnly));
    EXPECT_TRUE(service.readAll().endsWith("# left alone\n"));
}

TEST_F(VarnixServerTest, FixedIdentifiersReachTheirMembers)
{
    DispatchDriver driver(client_);
    driver.Create("varnix.Ez2181");

    EXPECT_EQ(driver.Get(kErrorMethod), Variant::I4(0));
    driver.Put(kErrorMethod, Variant::I4(2));
    EXPECT_EQ(driver.Get(kErrorMethod), Variant::I4(2));

    EXPECT_EQ(driver.Call(kSetBaud, {Variant::I4(19200)}), Variant::I4(0));

    try {
        driver.Call(kProgFlash, {Variant::Bstr(MissingFile())});
        FAIL() << "ProgFlash of a missing file succeeded";
    } catch (const RemoteMemberError& e) {
        EXPECT_EQ(e.code(), kCannotOpen);
        EXPECT_STREQ(e.what(), "Error opening file");
    }
    EXPECT_THROW(driver.Call(kVerifyFlash, {Variant::Bstr(MissingFile())}), RemoteMemberError);
    EXPECT_EQ(driver.Get(kErrorCode), Variant::I4(kCannotOpen));
    EXPECT_EQ(driver.Get(kErrorString), Variant::Bstr("Error opening file"));
}

TEST_F(VarnixServerTest, ReleasingTheLastObjectEndsTheServer)
{
    DispatchDriver first(client_);
    DispatchDriver second(Connect());
    first.Create("varnix.ez2181");
    second.Create("varnix.sport");
    const QString server = first.ServerName();
    ASSERT_EQ(second.ServerName(), server);

    first.Release();
    EXPECT_TRUE(client_.interface()->isServiceRegistered(server).value());
    EXPECT_EQ(second.Get(kSportErrorMethod), Variant::I4(0));
    second.Release();
    EXPECT_TRUE(NameGone(server));
    EXPECT_TRUE(NameGone(ClassBusName("Varnix.Ez2181")));
}

TEST_F(VarnixServerTest, TwoClientsGetIndependentObjectsFromOneServer)
{
    DispatchDriver first(client_);
    DispatchDriver second(Connect());
    first.Create("varnix.ez2181");
    second.Create("varnix.ez2181");
    EXPECT_EQ(first.ServerName(), second.ServerName());
    EXPECT_NE(first.ObjectPath(), second.ObjectPath());

    first.Put(kErrorMethod, Variant::I4(1));
    second.Put(kErrorMethod, Variant::I4(2));
    EXPECT_EQ(first.Get(kErrorMethod), Variant::I4(1));
    EXPECT_EQ(second.Get(kErrorMethod), Variant::I4(2));

    const Variant failed = first.Call(kProgFlash, {Variant::Bstr(MissingFile())});
    EXPECT_EQ(failed, Variant::Error(kCannotOpen + 5));
    EXPECT_EQ(first.Get(kErrorCode), Variant::I4(kCannotOpen));
    EXPECT_EQ(second.Get(kErrorCode), Variant::I4(0));
    EXPECT_EQ(second.Get(kErrorString), Variant::Bstr(""));
}

TEST_F(VarnixServerTest, AThirdConnectionCannotCallAnObjectItDidNotCreate)
{
    DispatchDriver owner(client_);
    owner.Create("varnix.ez2181");
    QDBusConnection stranger = Connect();
    QDBusMessage call = QDBusMessage::createMethodCall(owner.ServerName(), owner.ObjectPath(),
                                                       BusNames::kDispatchInterface, QStringLiteral("Release"));
    const QDBusMessage reply = stranger.call(call);
    EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    EXPECT_EQ(owner.Get(kErrorMethod), Variant::I4(0));
}

TEST_F(VarnixServerTest, AKilledClientsObjectsAreReleasedAtOnce)
{
    QProcess holder;
    // Its call opens COM1 and stays there, unanswered.
    ASSERT_TRUE(StartHolder(holder, "varnix.ez2181", {QStringLiteral("Reset(0)")}).startsWith("/org/varnix/Automation/Object/"));
    ASSERT_FALSE(Com1().Receive(1, 30000).empty());
    const QString server = client_.interface()->serviceOwner(ClassBusName("Varnix.Ez2181")).value();
    ASSERT_FALSE(server.isEmpty());
    EXPECT_FALSE(PortFree());

    ::kill(static_cast<pid_t>(holder.processId()), SIGKILL);
    holder.waitForFinished();
    EXPECT_TRUE(WaitFor(PortFree));
    EXPECT_TRUE(NameGone(server));
}

TEST_F(VarnixServerTest, AKilledClientLeavesOtherClientsObjectsServed)
{
    DispatchDriver survivor(client_);
    survivor.Create("varnix.sport");
    QProcess holder;
    ASSERT_FALSE(StartHolder(holder, "varnix.ez2181", {QStringLiteral("Reset(0)")}).isEmpty());
    ASSERT_FALSE(Com1().Receive(1, 30000).empty());
    EXPECT_FALSE(PortFree());
    ::kill(static_cast<pid_t>(holder.processId()), SIGKILL);
    holder.waitForFinished();
    EXPECT_TRUE(WaitFor(PortFree));
    EXPECT_EQ(survivor.Get(kSportErrorMethod), Variant::I4(0));
    EXPECT_TRUE(client_.interface()->isServiceRegistered(survivor.ServerName()).value());
}

TEST_F(VarnixServerTest, ErrorMethodsSeenOverTheBus)
{
    DispatchDriver driver(client_);
    driver.Create("varnix.ez2181");
    const Variant path = Variant::Bstr(MissingFile());

    EXPECT_EQ(driver.Call(kProgFlash, {path}), Variant::Null());

    driver.Put(kErrorMethod, Variant::I4(1));
    EXPECT_EQ(driver.Call(kProgFlash, {path}), Variant::Error(kCannotOpen + 5));

    driver.Put(kErrorMethod, Variant::I4(2));
    try {
        driver.Call(kProgFlash, {path});
        FAIL() << "no dispatch exception";
    } catch (const RemoteMemberError& e) {
        EXPECT_EQ(e.code(), kCannotOpen);
        EXPECT_EQ(e.info().description, "Error opening file");
        EXPECT_EQ(e.info().scode, S_OK);
    }
    EXPECT_EQ(driver.Get(kErrorCode), Variant::I4(kCannotOpen));
    EXPECT_EQ(driver.Get(kErrorString), Variant::Bstr("Error opening file"));
}

TEST_F(VarnixServerTest, WrongIdentifierArgumentCountAndTypeComeBackAsSuch)
{
    DispatchDriver driver(client_);
    driver.Create("varnix.ez2181");
    EXPECT_EQ(StatusOf([&] { driver.Call(0x7777); }), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(StatusOf([&] { driver.Call(kSetBaud); }), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(StatusOf([&] { driver.Call(kSetBaud, {Variant::I4(1), Variant::I4(2)}); }), DISP_E_BADPARAMCOUNT);
    try {
        driver.Call(kProgFlash, {Variant::Bstr("x"), Variant::I4(1)});
        FAIL() << "two arguments for ProgFlash";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.status(), DISP_E_BADPARAMCOUNT);
    }
    try {
        driver.Call(kSetBaud, {Variant::Bstr("fast")});
        FAIL() << "a word for a rate";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.status(), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(e.argumentIndex(), 0u);
    }
    EXPECT_EQ(StatusOf([&] { driver.DispIdOfName("NoSuchMember"); }), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(driver.DispIdOfName("progflash"), kProgFlash);
    EXPECT_EQ(driver.Get(kErrorMethod), Variant::I4(0));
}

TEST_F(VarnixServerTest, EachDocumentObjectHasAServerOfItsOwn)
{
    DispatchDriver first(client_);
    DispatchDriver second(Connect());
    first.Create("Varnix.Document");
    second.Create("varnix.document");
    EXPECT_NE(first.ServerName(), second.ServerName());
    EXPECT_EQ(StatusOf([&] { first.DispIdOfName("ErrorMethod"); }), DISP_E_UNKNOWNNAME);
    const QString firstServer = first.ServerName();
    first.Release();
    EXPECT_TRUE(NameGone(firstServer));
    EXPECT_TRUE(client_.interface()->isServiceRegistered(second.ServerName()).value());
}

TEST_F(VarnixServerTest, AServerEndsWhenItsBusGoesAway)
{
    DispatchDriver driver(client_);
    driver.Create("varnix.sport");
    const uint pid = ProcessOf(driver.ServerName());
    ASSERT_NE(pid, 0u);
    Bus().Stop();
    // An ended process that nobody reaped yet shows as a zombie.
    EXPECT_TRUE(WaitFor([&] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) return true;
        const QByteArray line = stat.readAll();
        const auto close = line.lastIndexOf(')');
        return close > 0 && close + 2 < line.size() && (line[close + 2] == 'Z' || line[close + 2] == 'X');
    }));
}

TEST_F(VarnixServerTest, AHandStartedCopyLeavesClientCreationsToAWindowlessCopy)
{
    RecordingNotifier messages;
    Notifier::SetCurrent(&messages);
    {
        CVarnixApp app(CommandLineInfo{}, QStringLiteral(VARNIX_PATH));
        ASSERT_TRUE(app.InitInstance());
        ASSERT_NE(app.MainFrame(), nullptr);
        EXPECT_EQ(app.MainFrame()->windowTitle(), QStringLiteral("Untitled - Varnix"));

        DispatchDriver driver(client_);
        driver.Create("varnix.ez2181");
        const uint pid = ProcessOf(driver.ServerName());
        EXPECT_NE(pid, static_cast<uint>(::getpid()));
        EXPECT_EQ(CommandLineOf(pid), QStringList({QStringLiteral(VARNIX_PATH), QStringLiteral("-Embedding")}));

        DispatchDriver document(Connect());
        document.Create("Varnix.Document");
        EXPECT_NE(ProcessOf(document.ServerName()), static_cast<uint>(::getpid()));
    }
    Notifier::SetCurrent(nullptr);
    EXPECT_TRUE(messages.messages().empty());
}

// The bus starts servers with its own environment: here one without any
// display or Qt platform, as a login session without graphics has.
class VarnixBareEnvironmentTest : public VarnixBusFixture {
protected:
    void SetUp() override
    {
        for (const char* name : kDisplayVariables) {
            saved_.append(qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
            qunsetenv(name);
        }
        VarnixBusFixture::SetUp();
        for (std::size_t i = 0; i < std::size(kDisplayVariables); ++i)
            if (!saved_.at(static_cast<qsizetype>(i)).isNull()) qputenv(kDisplayVariables[i], saved_.at(static_cast<qsizetype>(i)));
    }

private:
    static constexpr const char* kDisplayVariables[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
    QList<QByteArray> saved_;
};

TEST_F(VarnixBareEnvironmentTest, AnActivatedServerNeedsNoDisplay)
{
    DispatchDriver driver(client_);
    driver.Create("Varnix.Ez2181");
    EXPECT_EQ(driver.Call(kSetBaud, {Variant::I4(38400)}), Variant::I4(0));
    const QString server = driver.ServerName();
    driver.Release();
    EXPECT_TRUE(NameGone(server));
}

class VarnixProgramTest : public VarnixBusFixture {
protected:
    struct Run {
        int exitCode;
        QByteArray errors;
    };
    Run Start(const QStringList& arguments, bool offscreen = true, const QString& busAddress = QString())
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!busAddress.isEmpty()) environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (offscreen)
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        else
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VARNIX_PATH), arguments);
        if (!program.waitForFinished(60000)) {
            program.kill();
            program.waitForFinished();
            return {-1, "did not end"};
        }
        return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2, program.readAllStandardError()};
    }
};

TEST_F(VarnixProgramTest, UnregserverRemovesTheRegistrationAndSaysSo)
{
    const Run run = Start({QStringLiteral("-UNREGSERVER")});
    EXPECT_EQ(run.exitCode, 0);
    // The fixed text first, then what was removed.
    EXPECT_TRUE(run.errors.startsWith(
        "Varnix: System registry entries have been removed and the INI file (if any) was deleted.\nRemoved this "
        "user's registration of Varnix.Ez2181,"))
        << run.errors.toStdString();
    EXPECT_TRUE(QDir(Homes().ServicesFolder()).isEmpty());
    DispatchDriver driver(client_);
    EXPECT_EQ(StatusOf([&] { driver.Create("varnix.ez2181"); }), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(StatusOf([&] { driver.Create("varnix.document"); }), REGDB_E_CLASSNOTREG);
}

TEST_F(VarnixProgramTest, UnregserverWithEmbeddingSaysNothing)
{
    const Run run = Start({QStringLiteral("/Embedding"), QStringLiteral("-unregserver")}, false);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, QByteArray());
    EXPECT_TRUE(QDir(Homes().ServicesFolder()).isEmpty());
}

TEST_F(VarnixProgramTest, WithoutASessionBusAServerForClientsSaysSoAndEnds)
{
    const QString nowhere = QStringLiteral("unix:path=") + Homes().Data() + QStringLiteral("/no-bus");
    const Run run = Start({QStringLiteral("-Embedding")}, false, nowhere);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, QByteArray("Varnix: OLE initialization failed.  Make sure that the OLE libraries are the "
                                     "correct version.\n"));
}

TEST_F(VarnixProgramTest, WithoutADisplayAStartByHandRegistersAndEnds)
{
    ASSERT_TRUE(QDir(Homes().ServicesFolder()).removeRecursively());
    const Run run = Start({}, false);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, QByteArray("Varnix: There is no display to show the window on. To register the classes "
                                     "without a window, run: varnix -Register\n"));
    EXPECT_EQ(QDir(Homes().ServicesFolder()).entryList(QDir::Files).size(),
              static_cast<qsizetype>(VarnixClassTable::Rows().size()));
}

TEST_F(VarnixProgramTest, AnUnknownSwitchIsRefusedBeforeAnythingIsDone)
{
    ASSERT_TRUE(QDir(Homes().ServicesFolder()).removeRecursively());
    const Run run = Start({QStringLiteral("-Regsrv")}, false);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.errors, QByteArray("varnix: unknown switch \"-Regsrv\" (varnix --help lists the switches)\n"));
    EXPECT_FALSE(QDir(Homes().ServicesFolder()).exists());
}

}  // namespace
