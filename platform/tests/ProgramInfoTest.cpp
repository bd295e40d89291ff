#include "platform/PortMap.h"
#include "platform/ProgramInfo.h"
#include "platform/PtyPair.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

TEST(ProgramInfoTest, VersionTextIsProgramVersionReleaseAndLicence)
{
    EXPECT_TRUE(std::regex_match(ProgramInfo::Version(), std::regex("[0-9]+\\.[0-9]+(\\.[0-9]+)?")));
    const std::string release = std::string("(varnix-tools ") + ProgramInfo::Version() + ")\n";
    const std::string licence =
        "License GPL-3.0-or-later: GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl-3.0.html>.\n"
        "This is free software: you are free to change and redistribute it.\n"
        "There is NO WARRANTY, to the extent permitted by law.\n";
    EXPECT_EQ(ProgramInfo::VersionText("pellori", "1.2"), "pellori 1.2 " + release + licence);
    EXPECT_EQ(ProgramInfo::VersionText("varnix-call"),
              std::string("varnix-call ") + ProgramInfo::Version() + " " + release + licence);
}

TEST(ProgramInfoTest, PortStateFollowsTheLinkAndSaysWhetherTheDeviceIsThere)
{
    ScopedConfigHome home;
    PtyPair pty;
    ASSERT_TRUE(PortMap::Link("com1", pty.slavePath()));
    EXPECT_EQ(ProgramInfo::PortState("com1"), "com1 -> " + pty.slavePath() + " (link): ready");
    ASSERT_TRUE(PortMap::Link("com2", "/dev/ttyUSB97"));
    EXPECT_EQ(ProgramInfo::PortState("com2"), "com2 -> /dev/ttyUSB97 (link): no such device");
}

TEST(ProgramInfoTest, PortMapHelpShowsTheFolderTheUsbExampleAndEachPort)
{
    ScopedConfigHome home;
    ASSERT_TRUE(PortMap::Link("com2", "/dev/ttyUSB97"));
    const std::string help = ProgramInfo::PortMapHelp();
    EXPECT_NE(help.find("  " + home.path() + "/dosdevices ($XDG_CONFIG_HOME/dosdevices"), std::string::npos) << help;
    EXPECT_NE(help.find("      ln -sfn /dev/ttyUSB0 ~/.config/dosdevices/com1\n"), std::string::npos);
    EXPECT_NE(help.find("sudo usermod -aG dialout $USER"), std::string::npos);
    EXPECT_NE(help.find("  Now (the folder exists, so only its links count):\n"), std::string::npos) << help;
    EXPECT_NE(help.find("    com2 -> /dev/ttyUSB97 (link): no such device\n"), std::string::npos);
    EXPECT_NE(help.find("    com1: not in the port map\n"), std::string::npos);
    EXPECT_NE(help.find("    lpt1: not in the port map\n"), std::string::npos);
}

TEST(ProgramInfoTest, WithoutAFolderTheHelpSaysTheDefaultsApply)
{
    ScopedConfigHome home;
    std::filesystem::remove(home.path() + "/dosdevices");
    const std::string help = ProgramInfo::PortMapHelp();
    EXPECT_NE(help.find("  Now (there is no folder, so the defaults apply):\n"), std::string::npos) << help;
    EXPECT_NE(help.find("    com1 -> /dev/ttyS0: "), std::string::npos);
    EXPECT_NE(help.find("    lpt1 -> /dev/parport0: "), std::string::npos);
}

TEST(ProgramInfoTest, NetworkPortsShowAsSuchAmongTheLinks)
{
    ScopedConfigHome home;
    ASSERT_TRUE(PortMap::Link("com3", "rfc2217://lab-pc.example:3001"));
    EXPECT_EQ(ProgramInfo::PortState("com3"), "com3 -> rfc2217://lab-pc.example:3001 (network port, RFC 2217)");
    const std::string help = ProgramInfo::PortMapHelp();
    EXPECT_NE(help.find("rfc2217://HOST:PORT"), std::string::npos) << help;
    EXPECT_NE(help.find("    com3 -> rfc2217://lab-pc.example:3001 (network port, RFC 2217)\n"), std::string::npos)
        << help;
}

}  // namespace
