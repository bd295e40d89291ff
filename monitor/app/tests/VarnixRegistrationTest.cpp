#include "monitor/app/VarnixRegistration.h"

#include "automation/dbus/BusNames.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/ServiceFile.h"
#include "monitor/app/RecentFileList.h"
#include "monitor/app/VarnixClassTable.h"
#include "platform/tests/ScopedXdgHomes.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const std::string kServer = "/opt/varnix/bin/varnix";

std::string Key(const VarnixClassTable::Row& row, const char* suffix)
{
    return "CLSID\\" + row.factory.classId() + suffix;
}

QString ServiceFileOf(const VarnixClassTable::Row& row)
{
    return ServiceFile::PathFor(*BusNames::ClassBusName(row.factory.classId()));
}

class VarnixRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(homes_.ok()); }

    ScopedXdgHomes homes_;
    ClassesRoot classes_;
};

TEST_F(VarnixRegistrationTest, WritesTheSixEntriesAndTheServiceFileOfEveryClass)
{
    ASSERT_TRUE(VarnixRegistration::RegisterAll(kServer));
    for (const auto& row : VarnixClassTable::Rows()) {
        const std::string& progId = row.factory.progId();
        SCOPED_TRACE(progId);
        EXPECT_EQ(classes_.Value(progId), row.typeName);
        EXPECT_EQ(classes_.Value(progId + "\\CLSID"), row.factory.classId());
        EXPECT_EQ(classes_.Value(Key(row, "")), row.typeName);
        EXPECT_EQ(classes_.Value(Key(row, "\\ProgID")), progId);
        EXPECT_EQ(classes_.Value(Key(row, "\\InprocHandler32")), "ole32.dll");
        EXPECT_EQ(classes_.Value(Key(row, "\\LocalServer32")), kServer);
        QFile service(ServiceFileOf(row));
        ASSERT_TRUE(service.open(QIODevice::ReadOnly));
        EXPECT_TRUE(service.readAll().contains("Exec=/opt/varnix/bin/varnix -Embedding\n"));
    }
    EXPECT_EQ(classes_.Value("Varnix.Document"), "Varnix Document");
}

TEST_F(VarnixRegistrationTest, TheProgIdLookupIgnoresCase)
{
    ASSERT_TRUE(VarnixRegistration::RegisterAll(kServer));
    EXPECT_EQ(classes_.ClassIdOfProgId("VARNIX.document"), VarnixClassTable::Find("Varnix.Document")->factory.classId());
    EXPECT_EQ(classes_.ClassIdOfProgId("varnix.SPORT"), VarnixClassTable::Find("Varnix.Sport")->factory.classId());
}

TEST_F(VarnixRegistrationTest, UnregisteringRemovesEveryClassAndWritesNone)
{
    ASSERT_TRUE(VarnixRegistration::RegisterAll(kServer));
    ASSERT_TRUE(VarnixRegistration::UnregisterAll());
    for (const auto& row : VarnixClassTable::Rows()) {
        const std::string& progId = row.factory.progId();
        SCOPED_TRACE(progId);
        EXPECT_EQ(classes_.ClassIdOfProgId(progId), std::nullopt);
        for (const char* suffix : {"", "\\ProgID", "\\InprocHandler32", "\\LocalServer32"})
            EXPECT_EQ(classes_.Value(Key(row, suffix)), std::nullopt) << suffix;
        EXPECT_EQ(classes_.Value(progId), std::nullopt);
        EXPECT_FALSE(QFile::exists(ServiceFileOf(row)));
    }
    EXPECT_TRUE(QDir(homes_.ServicesFolder()).isEmpty());
}

TEST_F(VarnixRegistrationTest, UnregisteringLeavesOtherProgramsClasses)
{
    ASSERT_TRUE(classes_.Register({"{11111111-2222-3333-4444-555555555555}", "Pellori.Application", "Pellori.Application", "/p"}));
    ASSERT_TRUE(VarnixRegistration::RegisterAll(kServer));
    ASSERT_TRUE(VarnixRegistration::UnregisterAll());
    EXPECT_EQ(classes_.ClassIdOfProgId("Pellori.Application"), "{11111111-2222-3333-4444-555555555555}");
}

TEST_F(VarnixRegistrationTest, RemovingTheSettingsDeletesTheKeyAndItsEmptyParent)
{
    RecentFileList(VarnixRegistration::kSettingsFile).Add(QStringLiteral("/tmp/a.dat"));
    ASSERT_TRUE(QFile::exists(VarnixRegistration::SettingsFilePath()));
    VarnixRegistration::RemoveSettings();
    EXPECT_FALSE(QFile::exists(VarnixRegistration::SettingsFilePath()));
    EXPECT_FALSE(QDir(homes_.Config()).exists(QString::fromLatin1(VarnixRegistration::kSettingsFolder)));
    EXPECT_TRUE(RecentFileList(VarnixRegistration::kSettingsFile).Files().isEmpty());
}

TEST_F(VarnixRegistrationTest, RemovingTheSettingsKeepsAParentThatHoldsOtherApplications)
{
    RecentFileList(VarnixRegistration::kSettingsFile).Add(QStringLiteral("/tmp/a.dat"));
    const QString other = homes_.Config() + QLatin1Char('/') + QString::fromLatin1(VarnixRegistration::kSettingsFolder) +
                          QStringLiteral("/Other.ini");
    QFile file(other);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    VarnixRegistration::RemoveSettings();
    EXPECT_FALSE(QFile::exists(VarnixRegistration::SettingsFilePath()));
    EXPECT_TRUE(QFile::exists(other));
}

}  // namespace
