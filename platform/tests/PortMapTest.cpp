#include "platform/PortMap.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace fs = std::filesystem;

TEST(PortMapTest, WithoutAFolderThePortsAreTheMachinesOwn)
{
    ScopedConfigHome home;
    fs::remove(home.path() + "/dosdevices");
    const std::pair<const char*, const char*> ports[] = {
        {"COM1", "/dev/ttyS0"}, {"Com2", "/dev/ttyS1"}, {"com9", "/dev/ttyS8"}, {"COM12", "/dev/ttyS11"}, {"LPT1", "/dev/parport0"}};
    for (const auto& [name, path] : ports)
        EXPECT_EQ(PortMap::DevicePath(name), path) << name;
}

TEST(PortMapTest, NamesThatAreNoPortMapToNothing)
{
    ScopedConfigHome home;
    for (const char* name : {"COM0", "COM", "COM1x", "AUX", ""})
        EXPECT_EQ(PortMap::DevicePath(name), "") << name;
}

TEST(PortMapTest, LinkPathIsLowerCaseUnderConfigHome)
{
    ScopedConfigHome home;
    EXPECT_EQ(PortMap::LinkPath("COM1"), home.path() + "/dosdevices/com1");
    EXPECT_EQ(PortMap::LinkPath("Lpt1"), home.path() + "/dosdevices/lpt1");
}

TEST(PortMapTest, ConfigHomeFallsBackToHomeConfig)
{
    ScopedConfigHome home;  // restores XDG_CONFIG_HOME afterwards
    ::unsetenv("XDG_CONFIG_HOME");
    const char* userHome = std::getenv("HOME");
    ASSERT_NE(userHome, nullptr);
    EXPECT_EQ(PortMap::LinkPath("COM1"), std::string(userHome) + "/.config/dosdevices/com1");
    ::setenv("XDG_CONFIG_HOME", "relative/folder", 1);  // not absolute: ignored
    EXPECT_EQ(PortMap::LinkPath("COM1"), std::string(userHome) + "/.config/dosdevices/com1");
}

TEST(PortMapTest, LinkMakesFoldersAndIsUsedWhateverTheCase)
{
    ScopedConfigHome home;
    ASSERT_TRUE(PortMap::Link("COM1", "/dev/pts/77"));
    const std::string link = home.path() + "/dosdevices/com1";
    EXPECT_EQ(fs::read_symlink(link).string(), "/dev/pts/77");
    EXPECT_EQ(PortMap::DevicePath("COM1"), link);
    EXPECT_EQ(PortMap::DevicePath("com1"), link);
}

TEST(PortMapTest, OnceTheFolderExistsANameWithoutALinkLeadsNowhereAndSaysHowToLinkIt)
{
    ScopedConfigHome home;
    fs::remove(home.path() + "/dosdevices");
    EXPECT_FALSE(PortMap::FolderExists());
    EXPECT_EQ(PortMap::NotMappedText("COM2"), "");
    fs::create_directory(home.path() + "/dosdevices");
    EXPECT_TRUE(PortMap::FolderExists());

    EXPECT_EQ(PortMap::DevicePath("COM2"), "");
    EXPECT_EQ(PortMap::DevicePath("LPT1"), "");
    const std::string folder = home.path() + "/dosdevices";
    EXPECT_EQ(PortMap::NotMappedText("Com2"),
              "COM2 is not in the port map: " + folder + " has no link named com2. Link the port to its "
                                                         "device with: ln -sfn /dev/ttyUSB0 " +
                  folder + "/com2");
    EXPECT_EQ(PortMap::NotMappedText("lpt1"),
              "LPT1 is not in the port map: " + folder + " has no link named lpt1. Link the port to its "
                                                         "device with: ln -sfn /dev/parport0 " +
                  folder + "/lpt1");
    EXPECT_EQ(PortMap::NotMappedText("AUX"), "\"AUX\" is not a port name (COM1.., LPT1..)");

    // A dangling link is still an entry: opening it gives the device's own error.
    ASSERT_TRUE(PortMap::Link("com2", "/dev/ttyUSB97"));
    EXPECT_EQ(PortMap::DevicePath("COM2"), folder + "/com2");
    EXPECT_EQ(PortMap::NotMappedText("COM2"), "");
}

TEST(PortMapTest, LinkReplacesTheOldTargetAndUnlinkTakesTheNameOutOfTheMap)
{
    ScopedConfigHome home;
    ASSERT_TRUE(PortMap::Link("com2", "/dev/pts/1"));
    ASSERT_TRUE(PortMap::Link("Com2", "/dev/ttyUSB0"));
    EXPECT_EQ(fs::read_symlink(PortMap::LinkPath("COM2")).string(), "/dev/ttyUSB0");

    PortMap::Unlink("COM2");
    EXPECT_FALSE(fs::exists(fs::symlink_status(PortMap::LinkPath("COM2"))));
    EXPECT_EQ(PortMap::DevicePath("COM2"), "");
    PortMap::Unlink("COM2");  // nothing left to remove: no failure
}

TEST(PortMapTest, LinkFailsWhereNoFolderCanBeMade)
{
    ScopedConfigHome home;
    fs::remove(home.path() + "/dosdevices");
    // A file where the dosdevices folder should be.
    std::FILE* blocker = std::fopen((home.path() + "/dosdevices").c_str(), "w");
    ASSERT_NE(blocker, nullptr);
    std::fclose(blocker);
    EXPECT_FALSE(PortMap::Link("COM1", "/dev/pts/1"));
    EXPECT_EQ(PortMap::DevicePath("COM1"), "/dev/ttyS0");
}
