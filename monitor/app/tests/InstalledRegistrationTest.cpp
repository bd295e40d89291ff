// The registration an installation gives every user: written by the
// installer's tool into stand-ins for /usr/share, it lets a user who never
// registered create varnix's objects through a bus that activates from the
// machine's service folder only; the user's own registration comes first, and
// the registration switches act on the user's own alone.
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/PrivateSessionBus.h"
#include "monitor/app/VarnixClassTable.h"
#include "platform/tests/ScopedXdgHomes.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

Outcome RunProgram(const QString& program, const QStringList& args)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.start(program, args);
    Outcome outcome;
    if (!process.waitForFinished(60000)) return outcome;
    outcome.status = process.exitCode();
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

class InstalledRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(homes_.ok());
        const Outcome written = RunProgram(QStringLiteral(REGISTRATION_FILES_PATH),
                                           {QStringLiteral(VARNIX_PATH), InstalledStore(), MachineServices()});
        ASSERT_EQ(written.status, 0) << written.err.toStdString();
    }

    QString InstalledStore() const { return homes_.DataDir() + QStringLiteral("/automation/classes-root.ini"); }
    QString MachineServices() const { return homes_.DataDir() + QStringLiteral("/dbus-1/services"); }

    ScopedXdgHomes homes_;
};

TEST_F(InstalledRegistrationTest, AUserWhoNeverRegisteredCreatesObjectsThroughTheMachinesServiceFolder)
{
    EXPECT_FALSE(QFile::exists(homes_.ClassesRootFile()));
    EXPECT_EQ(QDir(MachineServices()).entryList({QStringLiteral("*.service")}, QDir::Files).size(),
              static_cast<qsizetype>(VarnixClassTable::Rows().size()));
    EXPECT_EQ(ClassesRoot().StoreOfProgId("varnix.ez2181"), InstalledStore());

    PrivateSessionBus bus(MachineServices());
    ASSERT_TRUE(bus.IsRunning()) << bus.Error().toStdString();
    {
        const QDBusConnection connection = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("installed"));
        DispatchDriver driver(connection);
        driver.Create("varnix.ez2181");
        ASSERT_TRUE(driver.IsCreated());
        const uint pid = connection.interface()->servicePid(driver.ServerName()).value();
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
        ASSERT_TRUE(commandLine.open(QIODevice::ReadOnly));
        EXPECT_EQ(commandLine.readAll(), QByteArray(VARNIX_PATH "\0-Embedding\0", sizeof(VARNIX_PATH) + 11));
        driver.Release();
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("installed"));
    bus.Stop();
}

TEST_F(InstalledRegistrationTest, RegisterAndUnregisterActOnTheUsersOwnAndSayWhatTheyDid)
{
    const Outcome registered = RunProgram(QStringLiteral(VARNIX_PATH), {QStringLiteral("-Register")});
    ASSERT_EQ(registered.status, 0) << registered.err.toStdString();
    EXPECT_TRUE(registered.err.startsWith(QStringLiteral("Varnix: Registered Varnix.Ez2181, Varnix.Sport, ")));
    EXPECT_TRUE(registered.err.contains(homes_.ClassesRootFile())) << registered.err.toStdString();
    EXPECT_TRUE(registered.err.contains(homes_.ServicesFolder())) << registered.err.toStdString();
    EXPECT_EQ(ClassesRoot().StoreOfProgId("Varnix.Ez2181"), homes_.ClassesRootFile());

    const Outcome removed = RunProgram(QStringLiteral(VARNIX_PATH), {QStringLiteral("-Unregister")});
    ASSERT_EQ(removed.status, 0) << removed.err.toStdString();
    EXPECT_TRUE(removed.err.contains(QStringLiteral(
        "Varnix: System registry entries have been removed and the INI file (if any) was deleted.\n"
        "Removed this user's registration of Varnix.Ez2181, ")));
    EXPECT_TRUE(removed.err.contains(QStringLiteral("Clients now use the registration installed for all users (") +
                                     InstalledStore() + QStringLiteral(", started as " VARNIX_PATH ")")))
        << removed.err.toStdString();
    EXPECT_TRUE(QDir(homes_.ServicesFolder()).isEmpty());
    EXPECT_EQ(QDir(MachineServices()).entryList({QStringLiteral("*.service")}, QDir::Files).size(),
              static_cast<qsizetype>(VarnixClassTable::Rows().size()));
    EXPECT_EQ(ClassesRoot().StoreOfProgId("Varnix.Ez2181"), InstalledStore());

    QFile::remove(InstalledStore());
    const Outcome nothingLeft = RunProgram(QStringLiteral(VARNIX_PATH), {QStringLiteral("-Unregister")});
    EXPECT_TRUE(nothingLeft.err.contains(QStringLiteral(
        "No registration is left: clients get \"class not registered\" until varnix -Register is run again.")))
        << nothingLeft.err.toStdString();
}

}  // namespace
