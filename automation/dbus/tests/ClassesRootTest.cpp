#include "automation/dbus/AutomationError.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/ServiceFile.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr const char* kClassId = "{3A0F6C21-52D4-4E8B-9C17-2B8E40D1A001}";

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ClassesRootTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home_.isValid());
        // Nothing installed on this machine answers.
        qputenv("XDG_CONFIG_DIRS", home_.filePath("none").toUtf8());
        qputenv("XDG_DATA_DIRS", home_.filePath("none").toUtf8());
        qputenv("XDG_CONFIG_HOME", home_.filePath("config").toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath("data").toUtf8());
    }
    QString ConfigFile() const { return home_.filePath("config/automation/classes-root.ini"); }

    QTemporaryDir home_;
    ClassesRoot classes_;
};

TEST_F(ClassesRootTest, RegisterWritesTheSixEntriesAndTheServiceFile)
{
    ASSERT_TRUE(classes_.Register({kClassId, "Varnix.Ez2181", "Varnix.Ez2181", "/opt/varnix/bin/varnix"}));
    EXPECT_EQ(classes_.Value("Varnix.Ez2181"), "Varnix.Ez2181");
    EXPECT_EQ(classes_.Value("Varnix.Ez2181\\CLSID"), kClassId);
    EXPECT_EQ(classes_.Value(std::string("CLSID\\") + kClassId), "Varnix.Ez2181");
    EXPECT_EQ(classes_.Value(std::string("CLSID\\") + kClassId + "\\ProgID"), "Varnix.Ez2181");
    EXPECT_EQ(classes_.Value(std::string("CLSID\\") + kClassId + "\\InprocHandler32"), "ole32.dll");
    EXPECT_EQ(classes_.Value(std::string("CLSID\\") + kClassId + "\\LocalServer32"), "/opt/varnix/bin/varnix");

    // One line per key, as docs/automation-over-dbus.md shows it.
    const QByteArray ini = ReadAll(ConfigFile());
    EXPECT_TRUE(ini.contains("\nVarnix.Ez2181%5CCLSID={3A0F6C21-52D4-4E8B-9C17-2B8E40D1A001}\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains(
        "\nCLSID%5C%7B3A0F6C21-52D4-4E8B-9C17-2B8E40D1A001%7D%5CLocalServer32=/opt/varnix/bin/varnix\n"))
        << ini.toStdString();

    EXPECT_EQ(ReadAll(home_.filePath("data/dbus-1/services/"
                                     "org.varnix.Automation.Class.C3A0F6C21_52D4_4E8B_9C17_2B8E40D1A001.service")),
              QByteArray("[D-BUS Service]\n"
                         "Name=org.varnix.Automation.Class.C3A0F6C21_52D4_4E8B_9C17_2B8E40D1A001\n"
                         "Exec=/opt/varnix/bin/varnix -Embedding\n"));
}

TEST_F(ClassesRootTest, TypeNameKeysAreWrittenOnlyWhenTheyHaveNoValueTheRestAlways)
{
    ASSERT_TRUE(classes_.Register({kClassId, "Varnix.Document", "Old Name", "/old/varnix"}));
    ASSERT_TRUE(classes_.Register({kClassId, "Varnix.Document", "Varnix Document", "/new/varnix"}));
    EXPECT_EQ(classes_.Value("Varnix.Document"), "Old Name");
    EXPECT_EQ(classes_.Value(std::string("CLSID\\") + kClassId), "Old Name");
    EXPECT_EQ(classes_.Value(std::string("CLSID\\") + kClassId + "\\LocalServer32"), "/new/varnix");
    EXPECT_TRUE(ReadAll(ServiceFile::PathFor(*BusNames::ClassBusName(kClassId))).contains("Exec=/new/varnix -Embedding\n"));
}

TEST_F(ClassesRootTest, ProgIdLookupIgnoresCase)
{
    ASSERT_TRUE(classes_.Register({kClassId, "Varnix.Ez2181", "Varnix.Ez2181", "/opt/varnix"}));
    EXPECT_EQ(classes_.ClassIdOfProgId("varnix.Ez2181"), kClassId);
    EXPECT_EQ(classes_.ClassIdOfProgId("VARNIX.EZ2181"), kClassId);
    EXPECT_EQ(classes_.ClassIdOfProgId("Varnix.Ez218"), std::nullopt);
    EXPECT_EQ(classes_.ClassIdOfProgId("Varnix"), std::nullopt);
}

TEST_F(ClassesRootTest, UnregisterRemovesEntriesAndServiceFile)
{
    const std::string other = "{3A0F6C21-52D4-4E8B-9C17-2B8E40D1A002}";
    ASSERT_TRUE(classes_.Register({kClassId, "Varnix.Ez2181", "Varnix.Ez2181", "/opt/varnix"}));
    ASSERT_TRUE(classes_.Register({other, "Varnix.Sport", "Varnix.Sport", "/opt/varnix"}));
    ASSERT_TRUE(classes_.Unregister(kClassId, "Varnix.Ez2181"));

    EXPECT_EQ(classes_.ClassIdOfProgId("Varnix.Ez2181"), std::nullopt);
    for (const char* suffix : {"", "\\ProgID", "\\InprocHandler32", "\\LocalServer32"})
        EXPECT_EQ(classes_.Value(std::string("CLSID\\") + kClassId + suffix), std::nullopt) << suffix;
    EXPECT_EQ(classes_.Value("Varnix.Ez2181"), std::nullopt);
    EXPECT_FALSE(QFile::exists(ServiceFile::PathFor(*BusNames::ClassBusName(kClassId))));

    EXPECT_EQ(classes_.ClassIdOfProgId("varnix.sport"), other);
    EXPECT_TRUE(QFile::exists(ServiceFile::PathFor(*BusNames::ClassBusName(other))));
}

TEST_F(ClassesRootTest, InstalledStoresAnswerAfterTheUsersOwnAndUnregisterLeavesThemAlone)
{
    qputenv("XDG_CONFIG_DIRS", home_.filePath("etc-xdg").toUtf8());
    qputenv("XDG_DATA_DIRS", (home_.filePath("local-share") + ":" + home_.filePath("share")).toUtf8());
    const ClassesRoot installed(home_.filePath("share/automation/classes-root.ini"), home_.filePath("share/dbus-1/services"));
    ASSERT_TRUE(installed.Register({kClassId, "Varnix.Ez2181", "Varnix.Ez2181", "/usr/bin/varnix"}));
    EXPECT_TRUE(QFile::exists(ServiceFile::PathFor(*BusNames::ClassBusName(kClassId), home_.filePath("share/dbus-1/services"))));
    EXPECT_FALSE(QFile::exists(ServiceFile::PathFor(*BusNames::ClassBusName(kClassId))));
    EXPECT_EQ(classes_.ClassIdOfProgId("varnix.ez2181"), kClassId);
    EXPECT_EQ(classes_.StoreOfProgId("varnix.ez2181"), installed.StoreFile());

    ASSERT_TRUE(classes_.Register({kClassId, "Varnix.Ez2181", "Varnix.Ez2181", "/home/me/build/varnix"}));
    const std::string server = std::string("CLSID\\") + kClassId + "\\LocalServer32";
    EXPECT_EQ(classes_.Value(server), "/home/me/build/varnix");
    EXPECT_EQ(classes_.StoreOfProgId("Varnix.Ez2181"), ConfigFile());

    ASSERT_TRUE(classes_.Unregister(kClassId, "Varnix.Ez2181"));
    EXPECT_EQ(classes_.Value(server), "/usr/bin/varnix");
    EXPECT_EQ(installed.Value(server), "/usr/bin/varnix");
    EXPECT_TRUE(QFile::exists(ServiceFile::PathFor(*BusNames::ClassBusName(kClassId), home_.filePath("share/dbus-1/services"))));
    EXPECT_EQ(ClassesRoot::InstalledStoreFiles(),
              QStringList({home_.filePath("data/automation/classes-root.ini"), home_.filePath("etc-xdg/automation/classes-root.ini"),
                           home_.filePath("local-share/automation/classes-root.ini"),
                           home_.filePath("share/automation/classes-root.ini")}));
}

TEST_F(ClassesRootTest, MalformedClassIdIsNotRegistered)
{
    EXPECT_FALSE(classes_.Register({"{not-a-guid}", "Varnix.Bad", "Varnix.Bad", "/opt/varnix"}));
    EXPECT_EQ(classes_.ClassIdOfProgId("Varnix.Bad"), std::nullopt);
}

HRESULT CreateStatus(DispatchDriver& driver, const std::string& progId)
{
    try {
        driver.Create(progId);
    } catch (const AutomationError& e) {
        return e.status();
    }
    return S_OK;
}

TEST_F(ClassesRootTest, DriverRefusesAProgIdWhoseClassIdIsMalformedBeforeUsingTheBus)
{
    SettingsStore store(ClassesRoot::kDefaultFile);
    store.setValue(QStringLiteral("Varnix.Bad\\CLSID"), QStringLiteral("{not-a-guid}"));
    ASSERT_TRUE(store.sync());
    ASSERT_EQ(classes_.ClassIdOfProgId("varnix.bad"), "{not-a-guid}");
    DispatchDriver driver{QDBusConnection(QString())};  // no bus at all
    EXPECT_EQ(CreateStatus(driver, "varnix.bad"), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CreateStatus(driver, "Varnix.Unknown"), REGDB_E_CLASSNOTREG);
}

TEST_F(ClassesRootTest, DriverWithoutABusCannotCreateARegisteredClass)
{
    ASSERT_TRUE(classes_.Register({kClassId, "Varnix.Ez2181", "Varnix.Ez2181", "/opt/varnix"}));
    DispatchDriver driver{QDBusConnection(QString())};
    EXPECT_EQ(CreateStatus(driver, "varnix.ez2181"), CO_E_NOTINITIALIZED);
    EXPECT_FALSE(driver.IsCreated());
}

TEST(BusNamesTest, ClassTokenFromAnySpellingOfTheClassId)
{
    EXPECT_EQ(BusNames::ClassToken("{3a0f6c21-52d4-4e8b-9c17-2b8e40d1a001}"),
              QStringLiteral("C3A0F6C21_52D4_4E8B_9C17_2B8E40D1A001"));
    EXPECT_EQ(BusNames::ClassToken("3A0F6C21-52D4-4E8B-9C17-2B8E40D1A001"),
              QStringLiteral("C3A0F6C21_52D4_4E8B_9C17_2B8E40D1A001"));
    EXPECT_EQ(BusNames::ClassToken("{3A0F6C21-52D4-4E8B-9C17-2B8E40D1A00}"), std::nullopt);
    EXPECT_EQ(BusNames::FactoryPath(kClassId), QStringLiteral("/org/varnix/Automation/Factory/C3A0F6C21_52D4_4E8B_9C17_2B8E40D1A001"));
    EXPECT_EQ(BusNames::ObjectPath(12), QStringLiteral("/org/varnix/Automation/Object/12"));
}

TEST(ServiceFileTest, ServerPathWithBlanksOrQuotesIsQuotedForTheExecLine)
{
    EXPECT_EQ(ServiceFile::Text("a.b", "/opt/my tools/varnix"),
              QStringLiteral("[D-BUS Service]\nName=a.b\nExec='/opt/my tools/varnix' -Embedding\n"));
    EXPECT_EQ(ServiceFile::Text("a.b", "/opt/it's/varnix"),
              QStringLiteral("[D-BUS Service]\nName=a.b\nExec=\"/opt/it's/varnix\" -Embedding\n"));
    EXPECT_EQ(ServiceFile::Text("a.b", "/opt/$it's/varnix"), std::nullopt);
    EXPECT_FALSE(ServiceFile::Write("a.b", "/opt/$it's/varnix"));
}

}  // namespace
