#include "platform/PortCommDevice.h"
#include "platform/PortMap.h"
#include "platform/ProgramInfo.h"
#include "platform/PtyPair.h"
#include "platform/tests/LoopbackPeer.h"
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
    EXPECT_NE(help.find("  without serial numbers share one by-id name, so only one of them shows: link\n"
                        "  those by their by-path names.\n"),
              std::string::npos)
        << help;
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

// The listing and the open go by one rule: what the listing calls a network port is
// opened as one (the refusal shows it reached the peer), and what it calls no address
// the open refuses with the same text.
TEST(ProgramInfoTest, ALinkIsListedAsTheOpenTakesIt)
{
    LoopbackPeer refusing(LoopbackPeer::Kind::Refusing);
    ASSERT_TRUE(refusing.ok());
    const std::string at = refusing.HostAndPort();
    const std::string refused = at + " refused the connection (no port server listens there)";
    const struct {
        std::string link;
        std::string listed;  // after "com4 -> "
        std::string openFailure;
    } cases[] = {
        {"RFC2217://" + at, "RFC2217://" + at + " (network port, RFC 2217)", refused},
        {"Rfc2217://" + at + " ", "Rfc2217://" + at + " (network port, RFC 2217)", refused},
        {" rfc2217://" + at + "\n", "rfc2217://" + at + " (network port, RFC 2217)", refused},
        {"rfc2217://" + at + " x", "\"rfc2217://" + at + " x\" is not a network port: it must read rfc2217://HOST:PORT",
         "\"rfc2217://" + at + " x\" is not a network port: it must read rfc2217://HOST:PORT"},
    };
    ScopedConfigHome home;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        ASSERT_TRUE(PortMap::Link("com4", c.link));
        EXPECT_EQ(ProgramInfo::PortState("com4"), "com4 -> " + c.listed);
        EXPECT_NE(ProgramInfo::PortMapHelp().find("    com4 -> " + c.listed + "\n"), std::string::npos);
        PortCommDevice device;
        EXPECT_FALSE(device.Open(PortMap::DevicePath("com4")));
        EXPECT_EQ(device.LastError(), c.openFailure);
    }
}

TEST(ProgramInfoTest, TheHelpNamesThePortsThePortMapTakes)
{
    ScopedConfigHome home;
    const std::string help = ProgramInfo::PortMapHelp();
    EXPECT_NE(help.find("the port names COM1 to COM255 and LPT1 (any case)"), std::string::npos) << help;
    EXPECT_EQ(help.find("COM1..COM9"), std::string::npos) << help;
}

}  // namespace
