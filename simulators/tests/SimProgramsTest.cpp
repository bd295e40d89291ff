// Runs each simulator program as a user does from a shell: its help, an unknown option,
// --background, and its care for port map links it did not make.

#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs the program through the shell with its output in files, so that a program left
// in the background holds no pipe of the test's.
ProgramRun RunProgram(const ScopedConfigHome& home, const std::string& program, const std::string& args)
{
    const std::string out = home.path() + "/out.txt";
    const std::string err = home.path() + "/err.txt";
    const std::string command = "'" + program + "' " + args + " </dev/null >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
}

std::string LinkTarget(const std::string& port)
{
    std::error_code error;
    return fs::read_symlink(PortMap::LinkPath(port), error).string();
}

// A background simulator is not the test's child: its end shows as its link going.
bool WaitForNoLink(const std::string& port)
{
    for (int i = 0; i < 1000; ++i) {
        std::error_code error;
        if (!fs::exists(fs::symlink_status(PortMap::LinkPath(port), error)))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class SimProgramsTest : public ::testing::TestWithParam<const char*> {
protected:
    // Starts the program in the background on `port`; its process number, or 0.
    pid_t StartInBackground(const std::string& port)
    {
        const ProgramRun run = RunProgram(home_, GetParam(), "--background --port " + port);
        EXPECT_EQ(run.status, 0) << run.err;
        return run.status == 0 ? static_cast<pid_t>(std::atoi(run.out.c_str())) : 0;
    }

    ScopedConfigHome home_;
};

TEST_P(SimProgramsTest, HelpGoesToStandardOutputAndAnUnknownOptionIsNamed)
{
    const ProgramRun help = RunProgram(home_, GetParam(), "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--background"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("dosdevices"), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");

    for (const char* wrong : {"--no-such-option", "--port com2 --no-such-option", "--no-such-option 7"}) {
        const ProgramRun run = RunProgram(home_, GetParam(), wrong);
        EXPECT_NE(run.status, 0) << wrong;
        EXPECT_NE(run.err.find("unknown option"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("--no-such-option"), std::string::npos) << run.err;
        // The mistake and one line pointing to --help, not the whole help.
        const std::string name = std::filesystem::path(GetParam()).filename().string();
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
        EXPECT_TRUE(run.err.ends_with("\nTry '" + name + " --help' for more information.\n")) << run.err;
    }
}

TEST_P(SimProgramsTest, BackgroundReturnsWithThePortLinkedAndTheEndRemovesOnlyItsLink)
{
    const pid_t pid = StartInBackground("com3");
    ASSERT_GT(pid, 0);
    // Linked and served before the command returned: no waiting here.
    const std::string target = LinkTarget("com3");
    ASSERT_NE(target, "");
    EXPECT_TRUE(fs::exists(target)) << target;

    // A second simulator on the same port is refused and leaves the first one's link.
    const ProgramRun second = RunProgram(home_, GetParam(), "--background --port com3");
    EXPECT_NE(second.status, 0);
    EXPECT_NE(second.err.find(target), std::string::npos) << second.err;
    EXPECT_EQ(LinkTarget("com3"), target);

    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    EXPECT_TRUE(WaitForNoLink("com3"));
    // The folder stays: without it, port names would reach the machine's own ports.
    EXPECT_TRUE(fs::is_directory(home_.path() + "/dosdevices"));
}

TEST_P(SimProgramsTest, ALinkToSomethingElseIsLeftAloneAndStopsTheStart)
{
    PtyPair someoneElses;
    ASSERT_TRUE(PortMap::Link("com3", "/dev/ttyUSB97"));
    ASSERT_TRUE(PortMap::Link("com4", someoneElses.slavePath()));
    std::ofstream(home_.path() + "/dosdevices/com5") << "not a link\n";

    for (const auto& [port, target] : {std::pair<std::string, std::string>{"com3", "/dev/ttyUSB97"},
                                       {"com4", someoneElses.slavePath()}}) {
        const ProgramRun run = RunProgram(home_, GetParam(), "--background --port " + port);
        EXPECT_EQ(run.status, 1) << port;
        EXPECT_NE(run.err.find(port + " is already linked to " + target), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(LinkTarget(port), target);
    }
    const ProgramRun file = RunProgram(home_, GetParam(), "--background --port com5");
    EXPECT_EQ(file.status, 1);
    EXPECT_NE(file.err.find("is not a link"), std::string::npos) << file.err;
    EXPECT_EQ(Slurp(home_.path() + "/dosdevices/com5"), "not a link\n");
}

TEST_P(SimProgramsTest, AStaleLinkToAVanishedPseudoTerminalIsReplaced)
{
    ASSERT_TRUE(PortMap::Link("com3", "/dev/pts/987654"));
    const pid_t pid = StartInBackground("com3");
    ASSERT_GT(pid, 0);
    const std::string target = LinkTarget("com3");
    EXPECT_NE(target, "/dev/pts/987654");
    EXPECT_TRUE(fs::exists(target)) << target;
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    EXPECT_TRUE(WaitForNoLink("com3"));
}

INSTANTIATE_TEST_SUITE_P(EverySimulator, SimProgramsTest,
                         ::testing::Values(SIMULATOR_PATHS),  // every program of boards.cmake
                         [](const ::testing::TestParamInfo<const char*>& row) {
                             std::string name = fs::path(row.param).filename().string();
                             name.erase(name.find('-'));
                             return name;
                         });

}  // namespace
