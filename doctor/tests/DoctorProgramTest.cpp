// The varnix-doctor program as a user runs it: against a private session bus
// with varnix registered (or not, or pointing at a program since moved), with
// --json, and under strace to show it opens no serial or parallel device.
#include "automation/dbus/PrivateSessionBus.h"
#include "doctor/SessionBusCheck.h"
#include "doctor/tests/SystemTree.h"
#include "platform/PortMap.h"
#include "platform/ProgramInfo.h"
#include "platform/PtyPair.h"
#include "platform/tests/ProgramRun.h"
#include "platform/tests/ScopedXdgHomes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

struct DoctorRun {
    int exitCode = -1;
    QString output;
    QJsonObject json;  // for --json runs
};

// Runs the program with `arguments`, in this process's environment less the
// names in `unset`.
DoctorRun RunDoctor(const QStringList& arguments, const QStringList& unset = {}, const QString& program = VARNIX_DOCTOR_PATH,
                    const QStringList& programArguments = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : unset) environment.remove(name);
    environment.remove(QStringLiteral("DISPLAY"));
    // LeakSanitizer cannot work under ptrace, and ends the program with an error when traced.
    if (program == QStringLiteral("strace")) environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    const ProgramRun ran = ProgramRun::Of(program, programArguments + arguments, environment, 120000);
    DoctorRun run;
    run.exitCode = ran.status;
    run.output = QString::fromUtf8(ran.out);
    if (arguments.contains(QStringLiteral("--json"))) run.json = QJsonDocument::fromJson(run.output.toUtf8()).object();
    return run;
}

// The finding of a --json run about `subject`.
QJsonObject FindingAbout(const DoctorRun& run, const QString& subject)
{
    for (const QJsonValue finding : run.json.value(QStringLiteral("checks")).toArray())
        if (finding.toObject().value(QStringLiteral("subject")).toString() == subject) return finding.toObject();
    return {};
}

QString FirstNote(const QJsonObject& finding, const char* field)
{
    return finding.value(QStringLiteral("notes")).toArray().first().toObject().value(QLatin1String(field)).toString();
}

bool Register()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess varnix;
    varnix.setProcessEnvironment(environment);
    varnix.start(QStringLiteral(VARNIX_PATH), {QStringLiteral("-Register")});
    return varnix.waitForFinished(60000) && varnix.exitCode() == 0;
}

// Points every service file of the registration at `program`.
void RewriteExecLines(const QString& folder, const QString& program)
{
    for (QDirIterator files(folder, {QStringLiteral("*.service")}); files.hasNext();) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        file.close();
        text.replace(QRegularExpression(QStringLiteral("Exec=.* -Embedding")), QStringLiteral("Exec=") + program + QStringLiteral(" -Embedding"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }
}

TEST(DoctorProgram, WithoutASessionBusItGivesTheFixAndExits1)
{
    ScopedXdgHomes homes;
    SystemTree tree;
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());  // holds no bus socket
    const DoctorRun run = RunDoctor({QStringLiteral("--json"), QStringLiteral("--root"), QString::fromStdString(tree.Root())},
                                    {QStringLiteral("DBUS_SESSION_BUS_ADDRESS")});
    EXPECT_EQ(run.exitCode, 1) << run.output.toStdString();
    EXPECT_EQ(run.json.value(QStringLiteral("version")).toInt(), 1);
    const QJsonObject bus = FindingAbout(run, QStringLiteral("session bus"));
    EXPECT_EQ(bus.value(QStringLiteral("status")).toString(), QStringLiteral("problem"));
    EXPECT_EQ(FirstNote(bus, "fix"), QString::fromLatin1(SessionBusCheck::StartBusFix()));
    EXPECT_EQ(FindingAbout(run, QStringLiteral("server start")).value(QStringLiteral("status")).toString(),
              QStringLiteral("problem"));
}

// Registered on a private bus with a simulated board's line as com1, as the
// getting-started page has it: nothing stands in the way. The run is traced:
// it opens neither that line nor any other serial or parallel device.
TEST(DoctorProgram, RegisteredOnAPrivateBusItStartsTheServerExits0AndOpensNoDevice)
{
    ScopedXdgHomes homes;
    PtyPair board;
    ASSERT_TRUE(board.ok());
    ASSERT_TRUE(PortMap::Link("com1", board.slavePath()));
    ASSERT_TRUE(Register());
    PrivateSessionBus bus(homes.ServicesFolder());
    ASSERT_TRUE(bus.IsRunning()) << bus.Error().toStdString();
    bus.ExportAsSessionBus();

    QTemporaryDir traceFolder;
    const QString trace = traceFolder.filePath(QStringLiteral("openat.txt"));
    const DoctorRun run = RunDoctor({}, {}, QStringLiteral("strace"),
                                    {QStringLiteral("-f"), QStringLiteral("-e"), QStringLiteral("trace=openat"), QStringLiteral("-o"),
                                     trace, QStringLiteral(VARNIX_DOCTOR_PATH)});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("ok       server start: Varnix.Sport created and released in ")))
        << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("ok       com1: com1 -> ") + QString::fromStdString(board.slavePath()) +
                                    QStringLiteral(": character device")))
        << run.output.toStdString();

    QFile opened(trace);
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    const QString calls = QString::fromUtf8(opened.readAll());
    ASSERT_TRUE(calls.contains(QStringLiteral("openat("))) << "strace recorded nothing";
    for (const QString& device : {QString::fromStdString(board.slavePath()), QStringLiteral("\"/dev/tty"),
                                  QStringLiteral("\"/dev/parport"), QStringLiteral("dosdevices/com1")})
        EXPECT_FALSE(calls.contains(device)) << device.toStdString() << " was opened:\n"
                                             << calls.toStdString();
}

// The same for a system image whose tty nodes are real character devices.
TEST(DoctorProgram, OpensNoDeviceNodeOfASystemImage)
{
    if (!SystemTree::CanMakeNodes()) GTEST_SKIP() << "mknod is not allowed here: the device nodes cannot be built";
    ScopedXdgHomes homes;
    SystemTree tree;
    tree.AddAdapter({.latencyTimer = 16});
    tree.AddNode("/dev/parport0", 0660, 0, 7);
    ASSERT_TRUE(PortMap::Link("com1", "/dev/serial/by-id/" + SystemTree::ByIdName({})));
    ASSERT_TRUE(PortMap::Link("lpt1", "/dev/parport0"));
    QTemporaryDir traceFolder;
    const QString trace = traceFolder.filePath(QStringLiteral("openat.txt"));
    const DoctorRun run = RunDoctor({QStringLiteral("--root"), QString::fromStdString(tree.Root())}, {}, QStringLiteral("strace"),
                                    {QStringLiteral("-f"), QStringLiteral("-e"), QStringLiteral("trace=openat"), QStringLiteral("-o"),
                                     trace, QStringLiteral(VARNIX_DOCTOR_PATH)});
    EXPECT_TRUE(run.output.contains(QStringLiteral("the latency timer of ttyUSB0 is 16 ms"))) << run.output.toStdString();
    QFile opened(trace);
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    const QString calls = QString::fromUtf8(opened.readAll());
    ASSERT_TRUE(calls.contains(QString::fromStdString(tree.Root()) + QStringLiteral("/sys/")))
        << "the image's sysfs was not read";
    const QString root = QString::fromStdString(tree.Root());
    for (const QString& device : {root + QStringLiteral("/dev/tty"), root + QStringLiteral("/dev/parport"),
                                  QStringLiteral("\"/dev/tty"), QStringLiteral("\"/dev/parport"), QStringLiteral("\"/dev/pts")})
        EXPECT_FALSE(calls.contains(device)) << device.toStdString() << " was opened:\n"
                                             << calls.toStdString();
}

struct RegistrationCase {
    const char* name;
    bool registered;
    std::function<QString(const QTemporaryDir&)> execProgram;  // empty: as registered
    const char* status;
    QString cause;
};

void PrintTo(const RegistrationCase& c, std::ostream* out)
{
    *out << c.name;
}

class DoctorRegistration : public ::testing::TestWithParam<RegistrationCase> {};

TEST_P(DoctorRegistration, IsCheckedWhereTheBusLooks)
{
    const RegistrationCase& c = GetParam();
    ScopedXdgHomes homes;
    QTemporaryDir scratch;
    SystemTree tree;
    if (c.registered) {
        ASSERT_TRUE(Register());
    }
    QString program;
    if (c.execProgram) {
        program = c.execProgram(scratch);
        RewriteExecLines(homes.ServicesFolder(), program);
    }
    PrivateSessionBus bus(homes.ServicesFolder());
    ASSERT_TRUE(bus.IsRunning()) << bus.Error().toStdString();
    bus.ExportAsSessionBus();
    const DoctorRun run = RunDoctor({QStringLiteral("--json"), QStringLiteral("--root"), QString::fromStdString(tree.Root())});
    const QJsonObject registration = FindingAbout(run, QStringLiteral("registration"));
    EXPECT_EQ(registration.value(QStringLiteral("status")).toString(), QLatin1String(c.status)) << run.output.toStdString();
    const QString cause = QString(c.cause)
                              .replace(QStringLiteral("%PROGRAM"), program)
                              .replace(QStringLiteral("%RELEASE"), QString::fromLatin1(ProgramInfo::Version()));
    EXPECT_TRUE(FirstNote(registration, "cause").endsWith(cause)) << FirstNote(registration, "cause").toStdString();
    EXPECT_TRUE(FirstNote(registration, "fix").startsWith(QStringLiteral("varnix -Register")));
    EXPECT_EQ(run.exitCode, 1) << "the server cannot start from this registration";
}

// A stand-in for another release of varnix: answers --version only.
QString OtherRelease(const QTemporaryDir& folder)
{
    const QString path = folder.filePath(QStringLiteral("varnix"));
    QFile script(path);
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\necho varnix 0.9\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    return path;
}

const RegistrationCase kRegistrationCases[] = {
    {"NotRegistered", false, {}, "problem", QStringLiteral("varnix is not registered: none of its 6 classes is in the classes root")},
    {"ProgramMoved", true, [](const QTemporaryDir& d) { return d.filePath(QStringLiteral("moved/varnix")); }, "problem",
     QStringLiteral(" starts %PROGRAM, which is not a program (moved or removed)")},
    {"OtherRelease", true, OtherRelease, "warning",
     QStringLiteral("%PROGRAM is not this release: it says \"varnix 0.9\", this is %RELEASE")},
};

INSTANTIATE_TEST_SUITE_P(Cases, DoctorRegistration, ::testing::ValuesIn(kRegistrationCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
