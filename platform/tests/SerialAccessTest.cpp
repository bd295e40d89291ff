#include "platform/PortMap.h"
#include "platform/SerialAccess.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/GroupOwnedFile.h"
#include "platform/tests/OrdinaryUser.h"
#include "platform/tests/ScopedConfigHome.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SerialAccessTest, TheHintNamesTheGroupAndTheCommand)
{
    EXPECT_EQ(SerialAccess::PermissionHint("/dev/ttyUSB0", "dialout"),
              "/dev/ttyUSB0 belongs to group \"dialout\": add your user to it (sudo usermod -aG dialout $USER) and log "
              "in again");
    EXPECT_EQ(SerialAccess::PermissionHint("/dev/ttyS0", ""), "/dev/ttyS0 may not be opened by this user: ask for access to it");
}

TEST(SerialAccessTest, APrivilegedGroupIsNeverSuggested)
{
    for (const char* group : {"root", "tty", "disk", "sudo", "shadow"}) {
        const std::string hint = SerialAccess::PermissionHint("/dev/ttyS0", group);
        EXPECT_EQ(hint, std::string("/dev/ttyS0 belongs to group \"") + group +
                            "\", which is not meant for users: use another device (ls -l /dev/serial/by-id/ lists "
                            "the serial adapters) and link it in the port map");
        EXPECT_EQ(hint.find("usermod"), std::string::npos) << group;
    }
}

TEST(SerialAccessTest, GroupOfNamesTheOwnerGroupAndNothingForAMissingDevice)
{
    if (!OrdinaryUser::Available() || GroupOwnedFile::Dialout() == static_cast<gid_t>(-1)) GTEST_SKIP() << "needs root and a dialout group";
    GroupOwnedFile device(GroupOwnedFile::Dialout());
    ASSERT_TRUE(device.ok());
    EXPECT_EQ(SerialAccess::GroupOf(device.path()), "dialout");
    EXPECT_EQ(SerialAccess::GroupOf("/dev/no-such-serial-line"), "");
    EXPECT_EQ(SerialAccess::ProblemWith("/dev/no-such-serial-line"), "");
    // Root may open it: no problem to report.
    EXPECT_EQ(SerialAccess::ProblemWith(device.path()), "");
}

// What an ordinary user outside the device's group sees: the open fails, and
// both the device's error and the diagnosis name the group and the fix.
TEST(SerialAccessTest, AUserOutsideTheGroupIsToldToJoinIt)
{
    if (!OrdinaryUser::Available() || GroupOwnedFile::Dialout() == static_cast<gid_t>(-1)) GTEST_SKIP() << "needs root and a dialout group";
    GroupOwnedFile device(GroupOwnedFile::Dialout());
    ASSERT_TRUE(device.ok());
    const auto report = OrdinaryUser::Run([&device] {
        TermiosCommDevice line;
        if (line.Open(device.path())) return std::string("opened");
        return line.LastError() + "\n" + SerialAccess::ProblemWith(device.path());
    });
    ASSERT_TRUE(report);
    const std::string hint = SerialAccess::PermissionHint(device.path(), "dialout");
    EXPECT_EQ(*report, "Permission denied (" + hint + ")\n" + hint);
}

// Through the port map: COM1 linked to an adapter of the group; the hint
// names the adapter, not the link.
TEST(SerialAccessTest, APortLinkedToADeviceOfAnotherGroupNamesTheDevice)
{
    if (!OrdinaryUser::Available() || GroupOwnedFile::Dialout() == static_cast<gid_t>(-1)) GTEST_SKIP() << "needs root and a dialout group";
    ScopedConfigHome home;
    ASSERT_EQ(::chmod(home.path().c_str(), 0755), 0);
    GroupOwnedFile device(GroupOwnedFile::Dialout());
    ASSERT_TRUE(device.ok());
    ASSERT_TRUE(PortMap::Link("com1", device.path()));
    EXPECT_EQ(SerialAccess::PortProblem("com1"), "");
    ASSERT_TRUE(PortMap::Link("com2", "/dev/ttyUSB97"));
    // A missing device is not a permission problem.
    const auto problem = OrdinaryUser::Run([] { return SerialAccess::PortProblem("com1") + "|" + SerialAccess::PortProblem("com2"); });
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, SerialAccess::PermissionHint(device.path(), "dialout") + "|");
}

}  // namespace
