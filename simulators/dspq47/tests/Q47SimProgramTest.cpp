// Runs the dspq47-sim program itself: its command line, its link in the port map and
// its end on SIGTERM.

#include "platform/PortMap.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

pid_t Spawn(std::vector<std::string> args)
{
    args.insert(args.begin(), DSPQ47_SIM_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

int ExitStatus(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

bool WaitForLink(const std::string& port)
{
    for (int i = 0; i < 500; ++i) {
        std::error_code error;
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(PortMap::LinkPath(port), error)))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

TEST(Q47SimProgramTest, ServesOnTheNamedPortWithTheFaultAskedForAndEndsOnSigterm)
{
    ScopedConfigHome home;
    const pid_t pid = Spawn({"--port", "com4", "--fault", "bad-checksum"});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitForLink("com4"));

    TermiosCommDevice line;
    ASSERT_TRUE(line.Open(PortMap::DevicePath("com4")));
    const std::uint8_t command = 0x41;
    ASSERT_EQ(line.Write(&command, 1, 1000), 1);
    std::vector<std::uint8_t> answer(940);
    line.SetReadTimeouts(1000, 5000);
    ASSERT_EQ(line.Read(answer.data(), answer.size()), 940);
    EXPECT_EQ(answer[938], 0x42);
    EXPECT_EQ(answer[939], 0xD6);  // one more than the factory checksum 0x42D5
    line.Close();

    ::kill(pid, SIGTERM);
    EXPECT_EQ(ExitStatus(pid), 0);
    std::error_code error;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(PortMap::LinkPath("com4"), error)));
}

TEST(Q47SimProgramTest, RefusesAnUnknownFault)
{
    ScopedConfigHome home;
    const pid_t pid = Spawn({"--fault", "smoke"});
    ASSERT_GT(pid, 0);
    EXPECT_EQ(ExitStatus(pid), 2);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(PortMap::LinkPath("com1"))));
}
