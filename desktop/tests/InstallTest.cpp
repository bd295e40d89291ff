// `cmake --install` of the build folder into a user's prefix, ~/.local of a
// temporary home: every file a desktop needs lands where it looks for it, and the
// installed programs and the Python package work from there with nothing set.
#include "platform/ProgramInfo.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        home_dir_ = std::make_unique<QTemporaryDir>();
        installed_ = Run(QStringLiteral(CMAKE_COMMAND_PATH), {QStringLiteral("--install"), QStringLiteral(BUILD_FOLDER),
                                                              QStringLiteral("--prefix"), Prefix()});
    }
    static void TearDownTestSuite() { home_dir_.reset(); }

    static QString Home() { return home_dir_->path() + QStringLiteral("/home"); }
    static QString Prefix() { return Home() + QStringLiteral("/.local"); }

    // Debian's python3 with nothing set but HOME: no PYTHONPATH, no user settings.
    static Outcome Python(const QString& code, const QString& home)
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        environment.insert(QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1"));
        return Run(QStringLiteral(PYTHON3_PATH), {QStringLiteral("-c"), code}, environment);
    }

    void SetUp() override
    {
        ASSERT_EQ(installed_.status, 0) << installed_.out.toStdString() << installed_.err.toStdString();
        ASSERT_TRUE(home_.isValid());
    }

    static QString Installed(const QString& path) { return Prefix() + QLatin1Char('/') + path; }

    // A program run the way a desktop or a shell starts it: its own folders,
    // no display and no session bus.
    Outcome Start(const QString& program, const QStringList& args) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path() + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home_.path() + QStringLiteral("/data"));
        return Run(program, args, environment);
    }

    static Outcome Run(const QString& program, const QStringList& args,
                       const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, args);
        Outcome outcome;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return outcome;
        }
        outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    }

    static QString Slurp(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    static inline std::unique_ptr<QTemporaryDir> home_dir_;
    static inline Outcome installed_;
    QTemporaryDir home_;
};

// The first line of each program's --version: its About box's version, if it
// has one, and the release of the tool set.
std::string FirstVersionLine(const QString& program)
{
    const QString version = program == QStringLiteral("varnix")    ? QStringLiteral("1.6")
                            : program == QStringLiteral("pellori") ? QStringLiteral("1.2")
                            : program == QStringLiteral("dspq47")  ? QStringLiteral("2.8")
                                                                   : QString::fromLatin1(ProgramInfo::Version());
    return QStringLiteral("%1 %2 (varnix-tools %3)").arg(program, version, QString::fromLatin1(ProgramInfo::Version())).toStdString();
}

void ExpectVersionText(const QString& program, const QString& out)
{
    EXPECT_EQ(out.section(QLatin1Char('\n'), 0, 0).toStdString(), FirstVersionLine(program));
    EXPECT_TRUE(out.contains(QStringLiteral("\nLicense GPL-3.0-or-later: "))) << out.toStdString();
}

const QStringList kPrograms = {QStringLiteral("varnix"), QStringLiteral("pellori"), QStringLiteral("dspq47"),
                               QStringLiteral("dspq47-cli"), QStringLiteral("varnix-call"), QStringLiteral("varnix-doctor")};
// Every simulator program the build makes (the list in boards.cmake).
const QStringList kSimulators = QStringLiteral(SIMULATOR_PROGRAMS).split(QStringLiteral(", "));

TEST_F(InstallTest, EveryFileLandsWhereADesktopLooksForIt)
{
    for (const QString& program : kPrograms + kSimulators) {
        const QFileInfo file(Installed(QStringLiteral("bin/") + program));
        EXPECT_TRUE(file.isFile() && file.isExecutable()) << program.toStdString();
    }
    for (const char* name : {"varnix", "pellori", "dspq47"}) {
        const QString entry = QStringLiteral("share/applications/%1.desktop").arg(QLatin1String(name));
        const QString icon = QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(QLatin1String(name));
        EXPECT_TRUE(QFile::exists(Installed(entry))) << entry.toStdString();
        EXPECT_TRUE(Slurp(Installed(icon)).contains(QStringLiteral("<svg"))) << icon.toStdString();
        const QString metainfo = QStringLiteral("share/metainfo/org.varnix.%1.metainfo.xml").arg(QLatin1String(name));
        EXPECT_TRUE(Slurp(Installed(metainfo)).contains(QStringLiteral("<launchable type=\"desktop-id\">%1.desktop<").arg(QLatin1String(name))))
            << metainfo.toStdString();
#ifdef PNG_ICON_SIZES
        for (const QString& size : QStringLiteral(PNG_ICON_SIZES).split(QLatin1Char(' '))) {
            const QString png = QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size, QLatin1String(name));
            const QImage picture(Installed(png));
            EXPECT_EQ(picture.size(), QSize(size.toInt(), size.toInt())) << png.toStdString();
        }
#endif
    }
    for (const QString& program : kPrograms + kSimulators) {
        const QString page = QStringLiteral("share/man/man1/%1.1").arg(program);
        EXPECT_TRUE(Slurp(Installed(page)).startsWith(QStringLiteral(".TH "))) << page.toStdString();
    }
    for (const char* page : {"automation-over-dbus.md", "python-scripting.md", "pellori.md", "desktop.md",
                             "getting-started.md", "README.md"})
        EXPECT_TRUE(QFile::exists(Installed(QStringLiteral("share/doc/varnix-tools/") + QLatin1String(page)))) << page;
    for (const char* sample : {"demo.bnm", "demo.hex"})
        EXPECT_EQ(Slurp(Installed(QStringLiteral("share/varnix/samples/") + QLatin1String(sample))),
                  Slurp(QStringLiteral(SOURCE_FOLDER "/upgrade/samples/") + QLatin1String(sample)))
            << sample;
    EXPECT_FALSE(QDir(Installed(QStringLiteral("share/doc/varnix-tools/tests"))).exists());
    EXPECT_TRUE(Slurp(Installed(QStringLiteral("share/doc/varnix-tools/examples/60-varnix-serial.rules")))
                    .contains(QStringLiteral("ENV{ID_MM_DEVICE_IGNORE}=\"1\"")));
    for (const QString& program : kPrograms + kSimulators) {
        if (program == QStringLiteral("varnix") || program == QStringLiteral("dspq47")) continue;  // windows, no options to type
        const QString completion = QStringLiteral("share/bash-completion/completions/") + program;
        EXPECT_TRUE(Slurp(Installed(completion)).contains(QStringLiteral("complete -F _varnix_tools"))) << completion.toStdString();
    }
}

TEST_F(InstallTest, EveryPictureThePagesShowIsInstalled)
{
    const QDir docs(Installed(QStringLiteral("share/doc/varnix-tools")));
    const QRegularExpression picture(QStringLiteral("\\((screenshots/[\\w.-]+\\.png)\\)"));
    int pictures = 0;
    for (const QString& page : docs.entryList({QStringLiteral("*.md")}, QDir::Files)) {
        for (const auto& match : picture.globalMatch(Slurp(docs.filePath(page)))) {
            ++pictures;
            EXPECT_TRUE(QFile::exists(docs.filePath(match.captured(1)))) << page.toStdString() << ": "
                                                                         << match.captured(1).toStdString();
        }
    }
    EXPECT_GT(pictures, 0);
}

TEST_F(InstallTest, MenuEntriesStartTheInstalledProgramsWithTheirIcons)
{
    for (const char* name : {"varnix", "pellori", "dspq47"}) {
        SCOPED_TRACE(name);
        const QStringList lines =
            Slurp(Installed(QStringLiteral("share/applications/%1.desktop").arg(QLatin1String(name)))).split(QLatin1Char('\n'));
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.front(), QStringLiteral("[Desktop Entry]"));
        EXPECT_TRUE(lines.contains(QStringLiteral("Type=Application")));
        EXPECT_TRUE(lines.contains(QStringLiteral("Icon=%1").arg(QLatin1String(name))));
        const QString exec = Installed(QStringLiteral("bin/%1").arg(QLatin1String(name)));
        // Varnix opens a document file it is given; the others take none.
        const QString fileCode = QLatin1String(name) == QLatin1String("varnix") ? QStringLiteral(" %f") : QString();
        ASSERT_TRUE(lines.contains(QStringLiteral("Exec=") + exec + fileCode)) << lines.join(QLatin1Char('\n')).toStdString();
        const Outcome version = Start(exec, {QStringLiteral("--version")});
        EXPECT_EQ(version.status, 0) << version.err.toStdString();
        ExpectVersionText(QLatin1String(name), version.out);
    }
}

// desktop-file-validate (desktop-file-utils) and appstreamcli (appstream)
// check what a desktop and a software centre read, where they are installed.
TEST_F(InstallTest, MenuEntriesAndMetadataPassTheirValidators)
{
    const QString desktopValidator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (desktopValidator.isEmpty() && appstream.isEmpty()) GTEST_SKIP() << "neither desktop-file-validate nor appstreamcli is installed";
    for (const char* name : {"varnix", "pellori", "dspq47"}) {
        SCOPED_TRACE(name);
        if (!desktopValidator.isEmpty()) {
            const Outcome entry = Run(desktopValidator, {Installed(QStringLiteral("share/applications/%1.desktop").arg(QLatin1String(name)))});
            EXPECT_EQ(entry.status, 0) << entry.out.toStdString() << entry.err.toStdString();
            EXPECT_EQ(entry.out + entry.err, QString()) << "warnings or hints";
        }
        if (!appstream.isEmpty()) {
            const Outcome metainfo = Run(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
                                                     Installed(QStringLiteral("share/metainfo/org.varnix.%1.metainfo.xml").arg(QLatin1String(name)))});
            EXPECT_EQ(metainfo.status, 0) << metainfo.out.toStdString() << metainfo.err.toStdString();
            EXPECT_FALSE(metainfo.out.contains(QStringLiteral("P: "))) << "pedantic hints: " << metainfo.out.toStdString();
        }
    }
}

TEST_F(InstallTest, EveryInstalledProgramStartsFromThePrefix)
{
    for (const QString& program : kPrograms) {
        SCOPED_TRACE(program.toStdString());
        const Outcome version = Start(Installed(QStringLiteral("bin/") + program), {QStringLiteral("--version")});
        EXPECT_EQ(version.status, 0) << version.err.toStdString();
        ExpectVersionText(program, version.out);
        const Outcome help = Start(Installed(QStringLiteral("bin/") + program), {QStringLiteral("--help")});
        EXPECT_EQ(help.status, 0) << help.err.toStdString();
        EXPECT_TRUE(help.out.contains(QStringLiteral("ln -sfn /dev/ttyUSB0 ~/.config/dosdevices/com1")));
    }
    for (const QString& simulator : kSimulators) {
        const Outcome help = Start(Installed(QStringLiteral("bin/") + simulator), {QStringLiteral("--help")});
        EXPECT_EQ(help.status, 0) << simulator.toStdString();
        EXPECT_TRUE(help.out.contains(QStringLiteral("usage"), Qt::CaseInsensitive)) << simulator.toStdString();
        const Outcome version = Start(Installed(QStringLiteral("bin/") + simulator), {QStringLiteral("--version")});
        EXPECT_EQ(version.status, 0) << simulator.toStdString();
        ExpectVersionText(simulator, version.out);
    }
}

TEST_F(InstallTest, RegistrationOfTheInstalledServerNamesItsInstalledPath)
{
    const QString varnix = Installed(QStringLiteral("bin/varnix"));
    const Outcome registered = Start(varnix, {QStringLiteral("-Register")});
    ASSERT_EQ(registered.status, 0) << registered.err.toStdString();
    const QDir services(home_.path() + QStringLiteral("/data/dbus-1/services"));
    const QStringList files = services.entryList({QStringLiteral("*.service")}, QDir::Files);
    EXPECT_EQ(files.size(), 6);
    for (const QString& file : files)
        EXPECT_TRUE(Slurp(services.filePath(file)).contains(QStringLiteral("\nExec=") + varnix + QStringLiteral(" -Embedding\n")))
            << file.toStdString();
    EXPECT_TRUE(Slurp(home_.path() + QStringLiteral("/config/automation/classes-root.ini")).contains(varnix));
}

// What the install gives every user of the prefix: the classes-root store and
// one service file per class, naming the installed server.
TEST_F(InstallTest, TheServerIsRegisteredForEveryUserOfThePrefix)
{
    const QString varnix = Installed(QStringLiteral("bin/varnix"));
    const QString store = Slurp(Installed(QStringLiteral("share/automation/classes-root.ini")));
    EXPECT_TRUE(store.contains(QStringLiteral("Varnix.Ez2181%5CCLSID="))) << store.toStdString();
    EXPECT_TRUE(store.contains(QStringLiteral("%5CLocalServer32=") + varnix + QLatin1Char('\n'))) << store.toStdString();
    const QDir services(Installed(QStringLiteral("share/dbus-1/services")));
    const QStringList files = services.entryList({QStringLiteral("*.service")}, QDir::Files);
    EXPECT_EQ(files.size(), 6);
    for (const QString& file : files)
        EXPECT_TRUE(Slurp(services.filePath(file)).endsWith(QStringLiteral("\nExec=") + varnix + QStringLiteral(" -Embedding\n")))
            << file.toStdString();

    // A user of the prefix (~/.local is XDG_DATA_HOME here) finds it with no step of their own.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), Home());
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1"));
    const Outcome looked = Run(QStringLiteral(PYTHON3_PATH),
                               {QStringLiteral("-c"), QStringLiteral("import varnix; print(varnix.ClassesRoot().value("
                                                                     "'CLSID\\\\' + varnix.ClassesRoot().class_id_of_progid('varnix.ez2181') + "
                                                                     "'\\\\LocalServer32'))")},
                               environment);
    EXPECT_EQ(looked.status, 0) << looked.err.toStdString();
    EXPECT_EQ(looked.out.trimmed(), varnix);
}

TEST_F(InstallTest, DebiansPythonImportsThePackageFromTheUsersPrefixWithNothingSet)
{
    const Outcome imported = Python(QStringLiteral("import varnix; print(varnix.__file__)"), Home());
    EXPECT_EQ(imported.status, 0) << imported.err.toStdString();
    const Outcome userSite = Python(QStringLiteral("import site; print(site.USER_SITE)"), Home());
    EXPECT_EQ(imported.out.trimmed(), userSite.out.trimmed() + QStringLiteral("/varnix/__init__.py"));
    EXPECT_FALSE(QDir(userSite.out.trimmed() + QStringLiteral("/varnix/__pycache__")).exists());
}

// What a Debian package does: the prefix /usr, into a staging folder.
TEST_F(InstallTest, ThePrefixUsrGetsDebiansDistPackages)
{
    QTemporaryDir staging;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), staging.path());
    const Outcome installed = Run(QStringLiteral(CMAKE_COMMAND_PATH),
                                  {QStringLiteral("--install"), QStringLiteral(BUILD_FOLDER), QStringLiteral("--prefix"),
                                   QStringLiteral("/usr")},
                                  environment);
    ASSERT_EQ(installed.status, 0) << installed.err.toStdString();
    EXPECT_TRUE(QFile::exists(staging.path() + QStringLiteral("/usr/lib/python3/dist-packages/varnix/__init__.py")));
    EXPECT_FALSE(QDir(staging.path() + QStringLiteral("/usr/lib/python3/site-packages")).exists());
}

}  // namespace
