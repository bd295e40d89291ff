#include "platform/SettingsStore.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <QFile>

TEST(SettingsStoreTest, TheFileLivesUnderTheConfigurationFolder)
{
    ScopedConfigHome home;
    {
        SettingsStore store("varnix/varnix.ini");
        EXPECT_EQ(store.filePath().toStdString(), home.path() + "/varnix/varnix.ini");
        store.setValue("Recent File List/File1", "/tmp/a.bnm");
        EXPECT_TRUE(store.sync());
    }
    QFile file(QString::fromStdString(home.path() + "/varnix/varnix.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains("File1=/tmp/a.bnm")) << text.toStdString();
}

TEST(SettingsStoreTest, ValuesSurviveTheStore)
{
    ScopedConfigHome home;
    {
        SettingsStore store("classes.ini");
        store.setValue("CLSID/{1234}/ProgID", "Varnix.Ez2181");
        store.setValue("CLSID/{1234}/InprocHandler", "ole32, handler");
        store.setValue("Count", 7);
    }
    SettingsStore again("classes.ini");
    EXPECT_EQ(again.value("CLSID/{1234}/ProgID").toString(), "Varnix.Ez2181");
    EXPECT_EQ(again.value("CLSID/{1234}/InprocHandler").toString(), "ole32, handler");
    EXPECT_EQ(again.value("Count").toInt(), 7);
    EXPECT_EQ(again.value("Missing", "fallback").toString(), "fallback");
}

TEST(SettingsStoreTest, ContainsRemoveAndChildren)
{
    ScopedConfigHome home;
    SettingsStore store("classes.ini");
    store.setValue("Varnix.Sport/CLSID", "{A}");
    store.setValue("Varnix.Sport/CurVer/Default", "Varnix.Sport.1");
    store.setValue("Varnix.Ez2181/CLSID", "{B}");
    store.setValue("Top", 1);

    EXPECT_TRUE(store.contains("Varnix.Sport/CLSID"));
    EXPECT_FALSE(store.contains("Varnix.Sport/Nothing"));
    EXPECT_EQ(store.childGroups(), (QStringList{"Varnix.Ez2181", "Varnix.Sport"}));
    EXPECT_EQ(store.childKeys(), QStringList{"Top"});
    EXPECT_EQ(store.childKeys("Varnix.Sport"), QStringList{"CLSID"});
    EXPECT_EQ(store.childGroups("Varnix.Sport"), QStringList{"CurVer"});

    store.remove("Varnix.Sport");
    EXPECT_FALSE(store.contains("Varnix.Sport/CLSID"));
    EXPECT_FALSE(store.contains("Varnix.Sport/CurVer/Default"));
    EXPECT_TRUE(store.contains("Varnix.Ez2181/CLSID"));
    store.remove("Top");
    EXPECT_FALSE(store.contains("Top"));
    EXPECT_TRUE(store.sync());

    SettingsStore again("classes.ini");
    EXPECT_EQ(again.childGroups(), QStringList{"Varnix.Ez2181"});
}

TEST(SettingsStoreTest, AnUnwritableFileIsReported)
{
    ScopedConfigHome home;
    QFile blocker(QString::fromStdString(home.path() + "/varnix"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    SettingsStore store("varnix/varnix.ini");
    store.setValue("Key", 1);
    EXPECT_FALSE(store.sync());
}
