#include "monitor/app/CVarnixApp.h"

#include "automation/core/ApplicationLock.h"
#include "automation/dbus/ClassesRoot.h"
#include "monitor/app/CMainFrame.h"
#include "monitor/app/RecentFileList.h"
#include "monitor/app/VarnixClassTable.h"
#include "monitor/app/VarnixRegistration.h"
#include "platform/tests/ScopedXdgHomes.h"
#include "platform/tests/RecordingNotifier.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kServer = QStringLiteral("/opt/varnix/bin/varnix");
const std::string kUnregistered = "System registry entries have been removed and the INI file (if any) was deleted.";

CommandLineInfo Arguments(std::initializer_list<const char*> arguments)
{
    QStringList list;
    for (const char* argument : arguments) list.append(QString::fromUtf8(argument));
    return CommandLineInfo::Parse(list);
}

class CVarnixAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(homes_.ok());
        Notifier::SetCurrent(&messages_);
        ASSERT_EQ(ApplicationLock::Process().count(), 0);
    }
    void TearDown() override
    {
        Notifier::SetCurrent(nullptr);
        EXPECT_EQ(ApplicationLock::Process().count(), 0);
    }

    static bool AllRegistered(const std::string& serverPath)
    {
        const ClassesRoot classes;
        for (const auto& row : VarnixClassTable::Rows())
            if (classes.Value("CLSID\\" + row.factory.classId() + "\\LocalServer32") != serverPath) return false;
        return true;
    }
    static bool NoneRegistered()
    {
        const ClassesRoot classes;
        for (const auto& row : VarnixClassTable::Rows())
            if (classes.ClassIdOfProgId(row.factory.progId()) || classes.Value("CLSID\\" + row.factory.classId()))
                return false;
        return true;
    }

    ScopedXdgHomes homes_;
    RecordingNotifier messages_;
};

TEST_F(CVarnixAppTest, StartedByHandRegistersEveryClassAndShowsAnUntitledWindow)
{
    CVarnixApp app(Arguments({}), kServer);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_TRUE(AllRegistered(kServer.toStdString()));
    ASSERT_NE(app.MainFrame(), nullptr);
    EXPECT_TRUE(app.MainFrame()->isVisible());
    EXPECT_EQ(app.MainFrame()->windowTitle(), QStringLiteral("Untitled - Varnix"));
    EXPECT_TRUE(app.UserControl());
    EXPECT_EQ(app.Server(), nullptr);
    EXPECT_EQ(ApplicationLock::Process().count(), 1);
    EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(CVarnixAppTest, StartedByHandWithAFileOpensIt)
{
    const QString path = homes_.Data() + QStringLiteral("/board.dat");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("content");
    file.close();
    CVarnixApp app(CommandLineInfo::Parse({path}), kServer);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.MainFrame()->windowTitle(), QStringLiteral("board.dat - Varnix"));
    EXPECT_EQ(RecentFileList(VarnixRegistration::kSettingsFile).Files(), QStringList({path}));
}

TEST_F(CVarnixAppTest, AFileThatCannotBeOpenedEndsWithoutAWindow)
{
    CVarnixApp app(Arguments({"/no/such/file.dat"}), kServer);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitCode(), 1);
    EXPECT_EQ(app.MainFrame(), nullptr);
    ASSERT_EQ(messages_.messages().size(), 1u);
    EXPECT_EQ(messages_.messages()[0].text.rfind("Cannot open the document /no/such/file.dat.\n", 0), 0u);
}

TEST_F(CVarnixAppTest, ClosingTheWindowEndsTheProgram)
{
    CVarnixApp app(Arguments({}), kServer);
    ASSERT_TRUE(app.InitInstance());
    QSignalSpy ended(&app, &CVarnixApp::ended);
    app.MainFrame()->close();
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_FALSE(app.UserControl());
}

TEST_F(CVarnixAppTest, ReleasingObjectsWhileTheUserIsInControlDoesNotEnd)
{
    CVarnixApp app(Arguments({}), kServer);
    ASSERT_TRUE(app.InitInstance());
    QSignalSpy ended(&app, &CVarnixApp::ended);
    {
        std::shared_ptr<Dispatchable> object;
        ASSERT_EQ(VarnixClassTable::Find("Varnix.Sport")->factory.CreateInstance(object), S_OK);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(ended.count(), 0);
    EXPECT_TRUE(app.MainFrame()->isVisible());
}

TEST_F(CVarnixAppTest, ClosingTheWindowWhileAnObjectLivesHidesItAndEndsOnTheLastRelease)
{
    CVarnixApp app(Arguments({}), kServer);
    ASSERT_TRUE(app.InitInstance());
    QSignalSpy ended(&app, &CVarnixApp::ended);
    std::shared_ptr<Dispatchable> object;
    ASSERT_EQ(VarnixClassTable::Find("Varnix.Sport")->factory.CreateInstance(object), S_OK);

    app.MainFrame()->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_FALSE(app.UserControl());
    EXPECT_EQ(ended.count(), 0);
    EXPECT_EQ(ApplicationLock::Process().count(), 1);

    object.reset();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_TRUE(app.HasEnded());
}

TEST_F(CVarnixAppTest, WithoutADisplayAStartByHandRegistersAndSaysWhyNoWindowComes)
{
    CVarnixApp app(Arguments({}), kServer, false);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitCode(), 1);
    EXPECT_TRUE(AllRegistered(kServer.toStdString()));
    ASSERT_EQ(messages_.messages().size(), 1u);
    EXPECT_EQ(messages_.messages()[0].text,
              "There is no display to show the window on. To register the classes without a window, run: "
              "varnix -Register");
}

TEST_F(CVarnixAppTest, UnregserverRemovesEverythingAndSaysSo)
{
    ASSERT_TRUE(VarnixRegistration::RegisterAll(kServer.toStdString()));
    RecentFileList(VarnixRegistration::kSettingsFile).Add(QStringLiteral("/tmp/x.dat"));
    ASSERT_TRUE(QFile::exists(VarnixRegistration::SettingsFilePath()));

    CVarnixApp app(Arguments({"-unregSERVER"}), kServer);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_TRUE(NoneRegistered());
    EXPECT_TRUE(QDir(homes_.ServicesFolder()).isEmpty());
    EXPECT_FALSE(QFile::exists(VarnixRegistration::SettingsFilePath()));
    EXPECT_FALSE(QDir(homes_.Config()).exists(QString::fromLatin1(VarnixRegistration::kSettingsFolder)));
    ASSERT_EQ(messages_.messages().size(), 1u);
    // The fixed text first, then what was removed and that nothing is left.
    EXPECT_EQ(messages_.messages()[0].caption, "Varnix");
    EXPECT_EQ(messages_.messages()[0].text,
              kUnregistered + "\n" + VarnixRegistration::UnregisteredText().toStdString());
    EXPECT_NE(messages_.messages()[0].text.find("No registration is left"), std::string::npos);
}

TEST_F(CVarnixAppTest, UnregisterWithEmbeddingIsSilent)
{
    ASSERT_TRUE(VarnixRegistration::RegisterAll(kServer.toStdString()));
    CVarnixApp app(Arguments({"/Unregister", "-Embedding"}), kServer);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_TRUE(NoneRegistered());
    EXPECT_TRUE(messages_.messages().empty());
    EXPECT_EQ(app.Server(), nullptr);
}

TEST_F(CVarnixAppTest, UnregisterWhereNothingWasRegisteredWritesNothing)
{
    CVarnixApp app(Arguments({"-Unregserver"}), kServer);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(NoneRegistered());
    EXPECT_TRUE(QDir(homes_.ServicesFolder()).isEmpty());
    EXPECT_EQ(messages_.messages().size(), 1u);
}

TEST_F(CVarnixAppTest, RegisterWritesEveryClassAndServiceFileSaysSoAndEnds)
{
    CVarnixApp app(Arguments({"-Register"}), kServer, false);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_EQ(app.Server(), nullptr);
    EXPECT_TRUE(AllRegistered(kServer.toStdString()));
    EXPECT_FALSE(QDir(homes_.ServicesFolder()).isEmpty());
    ASSERT_EQ(messages_.messages().size(), 1u);
    std::string classes;
    for (const auto& row : VarnixClassTable::Rows()) classes += (classes.empty() ? "" : ", ") + row.factory.progId();
    EXPECT_EQ(messages_.messages()[0].text,
              "Registered " + classes + " for this user, started as /opt/varnix/bin/varnix: the entries are in " +
                  homes_.ClassesRootFile().toStdString() + ", the D-Bus service files in " +
                  homes_.ServicesFolder().toStdString() + ".");
}

}  // namespace
