// The pellori program itself: batch mode's exit status and output, and the
// life of Pellori.Application started for a client.
#include "automation/dbus/AutomationError.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/DispatchDriver.h"
#include "platform/ProgramInfo.h"
#include "platform/tests/ProgramRun.h"
#include "upgrade/BatchRun.h"
#include "upgrade/CPelloriDlgAutoProxy.h"
#include "upgrade/tests/FakeBoardControl.h"
#include "upgrade/tests/PelloriBus.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

using Calls = std::vector<std::string>;

class PelloriProgramTest : public PelloriBus {
protected:
    struct Outcome {
        int status = -1;
        std::string out;
        std::string err;
    };

    static Outcome RunPellori(const QStringList& args, const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        const ProgramRun run = ProgramRun::Of(QStringLiteral(PELLORI_PATH), args, environment, 60000);
        return {run.status, run.out.toStdString(), run.err.toStdString()};
    }
};

TEST_F(PelloriProgramTest, HelpListsTheExitStatuses)
{
    const Outcome outcome = RunPellori({QStringLiteral("--help")});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_NE(outcome.out.find("pellori --batch [--port NAME]... [--baud RATE] [--power-on] [--program FILE]\n"
                               "               [--verify FILE]"),
              std::string::npos);
    EXPECT_NE(outcome.out.find("  --port NAME      a board's port in the port map"), std::string::npos);
    EXPECT_NE(outcome.out.find("  3  verification failed"), std::string::npos);
    EXPECT_NE(outcome.out.find("a progress line at least every 5\npercent"), std::string::npos);
    EXPECT_NE(outcome.out.find("ln -sfn /dev/ttyUSB0 ~/.config/dosdevices/com1"), std::string::npos);
    EXPECT_NE(outcome.out.find("    com1"), std::string::npos);
}

TEST_F(PelloriProgramTest, VersionGivesTheAboutBoxVersionTheReleaseAndTheLicence)
{
    const Outcome outcome = RunPellori({QStringLiteral("--version")});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.substr(0, outcome.out.find('\n')), std::string("pellori 1.2 (varnix-tools ") + ProgramInfo::Version() + ")");
    EXPECT_EQ(outcome.out, ProgramInfo::VersionText("pellori", "1.2"));
    EXPECT_EQ(outcome.err, "");
}

TEST_F(PelloriProgramTest, AMistakeOnTheCommandLineIsStatus64)
{
    const Outcome outcome = RunPellori({QStringLiteral("--batch"), QStringLiteral("--baud")});
    EXPECT_EQ(outcome.status, BatchRun::kUsage);
    EXPECT_EQ(outcome.err, "pellori: --baud needs a value\nTry 'pellori --help' for more information.\n");
}

TEST_F(PelloriProgramTest, NoSessionBusIsStatus6)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    const Outcome outcome = RunPellori({QStringLiteral("--batch"), QStringLiteral("--power-on")}, environment);
    EXPECT_EQ(outcome.status, BatchRun::kNoSessionBus);
    EXPECT_EQ(outcome.err, "pellori: the session bus cannot be reached: start one as docs/getting-started.md says "
                           "(\"A session bus where there is no desktop\")\n");
}

TEST_F(PelloriProgramTest, WithoutADisplayTheDialogSaysSoAndBatchModeStillWorks)
{
    RegisterFakeServer();
    StartBus();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(QString::fromLatin1(name));
    Outcome outcome = RunPellori({}, environment);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "pellori: there is no display to show the dialog on; pellori --batch needs none (pellori --help)\n");
    EXPECT_TRUE(FakeBoardControl::Calls().empty());

    outcome = RunPellori({QStringLiteral("--batch")}, environment);
    EXPECT_EQ(outcome.status, BatchRun::kSuccess) << outcome.err;
    EXPECT_EQ(FakeBoardControl::Calls(), (Calls{"put ErrorMethod 2", "SetBaud 9600"}));
}

TEST_F(PelloriProgramTest, BatchRunThroughTheServerSucceedsWithStatus0)
{
    RegisterFakeServer();
    StartBus();
    const Outcome outcome = RunPellori({QStringLiteral("--batch"), QStringLiteral("--program"), QStringLiteral("/data/dsp.bnm")});
    EXPECT_EQ(outcome.status, BatchRun::kSuccess) << outcome.err;
    EXPECT_EQ(outcome.out, "Baud rate 9600\nPROGRAMMING...\nPlease Wait...\nSuccessfully Programmed!\n");
    EXPECT_EQ(FakeBoardControl::Calls(), (Calls{"put ErrorMethod 2", "SetBaud 9600", "ProgFlash /data/dsp.bnm"}));
}

TEST_F(PelloriProgramTest, BatchRunWithoutServerIsStatus5)
{
    StartBus();
    const Outcome outcome = RunPellori({QStringLiteral("--batch")});
    EXPECT_EQ(outcome.status, BatchRun::kNoServerObject);
    EXPECT_EQ(outcome.err,
              "pellori: no server object: class not registered: run varnix -Register to register the server\n");
}

TEST_F(PelloriProgramTest, StartedForAClientItServesOneObjectAndEndsWhenItIsReleased)
{
    RegisterFakeServer();
    RegisterPellori();
    StartBus();
    DispatchDriver first(Connect());
    first.Create("pellori.application");
    const QString firstServer = first.ServerName();
    // The copy's dialog has started up against the board server.
    ASSERT_TRUE(WaitFor([] { return FakeBoardControl::Calls().size() >= 2; }));
    EXPECT_EQ(FakeBoardControl::Calls(), (Calls{"put ErrorMethod 2", "SetBaud 9600"}));

    // One object per copy: another creation starts another copy.
    DispatchDriver second(Connect());
    second.Create("Pellori.Application");
    EXPECT_NE(second.ServerName(), firstServer);

    first.Release();
    EXPECT_TRUE(NameGone(firstServer));
    const QString secondServer = second.ServerName();
    second.Release();
    EXPECT_TRUE(NameGone(secondServer));
}

TEST_F(PelloriProgramTest, RegisterAndUnregisterWorkWithoutADisplayAndSayWhatTheyDid)
{
    QProcessEnvironment headless = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
        headless.remove(QString::fromLatin1(name));
    const ClassesRoot classes;
    const std::string store = classes.StoreFile().toStdString();
    const std::string services = classes.ServicesFolder().toStdString();
    const std::string busName = BusNames::ClassBusName(CPelloriDlgAutoProxy::kClassId)->toStdString();

    const Outcome registered = RunPellori({QStringLiteral("-register")}, headless);
    EXPECT_EQ(registered.status, 0) << registered.err;
    EXPECT_EQ(registered.out, "Registered Pellori.Application for this user, started as " PELLORI_PATH
                              ": the entries are in " +
                                  store + ", the D-Bus service file in " + services + ".\n");
    EXPECT_EQ(classes.ClassIdOfProgId("pellori.application"), CPelloriDlgAutoProxy::kClassId);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(services + "/" + busName + ".service")));

    const Outcome removed = RunPellori({QStringLiteral("/Unregserver")}, headless);
    EXPECT_EQ(removed.status, 0) << removed.err;
    EXPECT_EQ(removed.out, "Removed this user's registration of Pellori.Application from " + store +
                               " and its D-Bus service file from " + services + ".\n");
    EXPECT_FALSE(classes.ClassIdOfProgId("Pellori.Application"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(services + "/" + busName + ".service")));
}

TEST_F(PelloriProgramTest, StartedByHandItRegistersItselfAndAClientGetsAnotherCopy)
{
    RegisterFakeServer();
    StartBus();
    const std::string serverKey = "CLSID\\" + std::string(CPelloriDlgAutoProxy::kClassId) + "\\LocalServer32";
    const ClassesRoot classes;
    ASSERT_FALSE(classes.ClassIdOfProgId("Pellori.Application"));

    QProcess byHand;
    byHand.start(QStringLiteral(PELLORI_PATH), {});
    ASSERT_TRUE(byHand.waitForStarted());
    EXPECT_TRUE(WaitFor([&] { return classes.Value(serverKey) == std::string(PELLORI_PATH); }));

    // The bus notices the new service file on its own time.
    DispatchDriver client(Connect());
    EXPECT_TRUE(WaitFor([&] {
        try {
            client.Create("Pellori.Application");
            return true;
        } catch (const AutomationError&) {
            return false;
        }
    }));
    const QString server = client.ServerName();
    ASSERT_FALSE(server.isEmpty());
    EXPECT_NE(ServerPid(server), static_cast<uint>(byHand.processId()));
    client.Release();
    EXPECT_TRUE(NameGone(server));
    // Releasing the other copy's object leaves the hand-started one running.
    EXPECT_EQ(byHand.state(), QProcess::Running);
    byHand.kill();
    byHand.waitForFinished();
}

}  // namespace
