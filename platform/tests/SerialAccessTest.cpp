#include "platform/SerialAccess.h"
#include "platform/TermiosCommDevice.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// A file in /tmp (which anyone may pass through) owned by root and a group,
// readable and writable by both only.
class GroupOwnedFile {
public:
    explicit GroupOwnedFile(gid_t group)
    {
        char name[] = "/tmp/serial-access-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd < 0) return;
        ::close(fd);
        path_ = name;
        ok_ = ::chown(name, 0, group) == 0 && ::chmod(name, 0660) == 0;
    }
    ~GroupOwnedFile()
    {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool ok_ = false;
};

gid_t DialoutGroup()
{
    const group* dialout = ::getgrnam("dialout");
    return dialout ? dialout->gr_gid : static_cast<gid_t>(-1);
}

TEST(SerialAccessTest, TheHintNamesTheGroupAndTheCommand)
{
    EXPECT_EQ(SerialAccess::PermissionHint("/dev/ttyUSB0", "dialout"),
              "/dev/ttyUSB0 belongs to group \"dialout\": add your user to it (sudo usermod -aG dialout $USER) and log "
              "in again");
    EXPECT_EQ(SerialAccess::PermissionHint("/dev/ttyS0", ""), "/dev/ttyS0 may not be opened by this user: ask for access to it");
}

TEST(SerialAccessTest, GroupOfNamesTheOwnerGroupAndNothingForAMissingDevice)
{
    if (::geteuid() != 0 || DialoutGroup() == static_cast<gid_t>(-1)) GTEST_SKIP() << "needs root and a dialout group";
    GroupOwnedFile device(DialoutGroup());
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
    if (::geteuid() != 0 || DialoutGroup() == static_cast<gid_t>(-1)) GTEST_SKIP() << "needs root and a dialout group";
    GroupOwnedFile device(DialoutGroup());
    ASSERT_TRUE(device.ok());
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        TermiosCommDevice line;
        const bool opened = line.Open(device.path());
        const std::string report = line.LastError() + "\n" + SerialAccess::ProblemWith(device.path());
        if (::write(channel[1], report.data(), report.size()) != static_cast<ssize_t>(report.size())) ::_exit(3);
        ::_exit(opened ? 1 : 0);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << report;
    const std::string hint = SerialAccess::PermissionHint(device.path(), "dialout");
    EXPECT_EQ(report, "Permission denied (" + hint + ")\n" + hint);
}

}  // namespace
