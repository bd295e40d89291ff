#include "monitor/app/RecentFileList.h"

#include "platform/SettingsStore.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kFile = "app/settings.ini";

TEST(RecentFileListTest, StartsEmptyWithoutSettings)
{
    const ScopedConfigHome home;
    EXPECT_TRUE(RecentFileList(kFile).Files().isEmpty());
}

TEST(RecentFileListTest, NewestFirstAtMostFourWrittenAsFile1ToFile4)
{
    const ScopedConfigHome home;
    RecentFileList list(kFile);
    for (const char* path : {"/a", "/b", "/c", "/d", "/e"}) list.Add(QString::fromLatin1(path));
    EXPECT_EQ(list.Files(), QStringList({"/e", "/d", "/c", "/b"}));

    const SettingsStore store(kFile);
    EXPECT_EQ(store.childGroups(), QStringList({"Recent File List"}));
    EXPECT_EQ(store.value(QStringLiteral("Recent File List/File1")).toString(), QStringLiteral("/e"));
    EXPECT_EQ(store.value(QStringLiteral("Recent File List/File4")).toString(), QStringLiteral("/b"));
    EXPECT_FALSE(store.contains(QStringLiteral("Recent File List/File5")));
}

TEST(RecentFileListTest, AddingAKnownFileMovesItToTheTop)
{
    const ScopedConfigHome home;
    RecentFileList list(kFile);
    for (const char* path : {"/a", "/b", "/c", "/a"}) list.Add(QString::fromLatin1(path));
    EXPECT_EQ(list.Files(), QStringList({"/a", "/c", "/b"}));
}

TEST(RecentFileListTest, SurvivesTheProgram)
{
    const ScopedConfigHome home;
    RecentFileList(kFile).Add(QStringLiteral("/x y/with space.dat"));
    RecentFileList again(kFile);
    again.Add(QStringLiteral("/second"));
    EXPECT_EQ(RecentFileList(kFile).Files(), QStringList({"/second", "/x y/with space.dat"}));
}

TEST(RecentFileListTest, RemovingAnEntryRemovesTheLastValue)
{
    const ScopedConfigHome home;
    RecentFileList list(kFile);
    list.Add(QStringLiteral("/a"));
    list.Add(QStringLiteral("/b"));
    list.Remove(0);
    list.Remove(7);
    EXPECT_EQ(RecentFileList(kFile).Files(), QStringList({"/a"}));
    EXPECT_FALSE(SettingsStore(kFile).contains(QStringLiteral("Recent File List/File2")));
}

TEST(RecentFileListTest, GapsAndDuplicatesInTheSettingsAreSkipped)
{
    const ScopedConfigHome home;
    {
        SettingsStore store(kFile);
        store.setValue(QStringLiteral("Recent File List/File1"), QStringLiteral("/a"));
        store.setValue(QStringLiteral("Recent File List/File3"), QStringLiteral("/a"));
        store.setValue(QStringLiteral("Recent File List/File4"), QStringLiteral("/d"));
    }
    EXPECT_EQ(RecentFileList(kFile).Files(), QStringList({"/a", "/d"}));
}

}  // namespace
