#include "simulators/ez2181/tests/Ez2181TestFrames.h"
#include "simulators/ez2181/tests/ReadWithPatience.h"

#include "platform/PortMap.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace ez2181test;

namespace {

constexpr int kPatienceMs = 10000;

Bytes ReadBytes(int fd, std::size_t count)
{
    return ReadWithPatience(fd, count, kPatienceMs);
}

std::string ReadLine(int fd)
{
    std::string line;
    for (;;) {
        const Bytes b = ReadBytes(fd, 1);
        if (b.empty() || b[0] == '\n')
            return line;
        line += static_cast<char>(b[0]);
    }
}

// Runs ez2181-sim with its own port map folder and its standard output and error on a pipe.
class Ez2181SimProgramTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0)
            ::close(output_);
        if (line_ >= 0)
            ::close(line_);
    }

    void Spawn(std::vector<std::string> args)
    {
        int pipeFds[2];
        ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
        args.insert(args.begin(), "ez2181-sim");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int result = ::posix_spawn(&pid_, EZ2181_SIM_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        output_ = pipeFds[0];
        ASSERT_EQ(result, 0);
    }

    // Starts the board and opens the PC's end of the line through the port map.
    void StartBoard(std::vector<std::string> args)
    {
        Spawn(std::move(args));
        banner_ = ReadLine(output_);
        ASSERT_EQ(banner_.rfind("EZ-KIT 2181 board on /dev/pts/", 0), 0u) << banner_;
        line_ = ::open(PortMap::DevicePath("COM7").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(line_, 0);
    }

    int Stop(int signal)
    {
        ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    Bytes Exchange(const Bytes& request, std::size_t replySize)
    {
        EXPECT_EQ(::write(line_, request.data(), request.size()), static_cast<ssize_t>(request.size()));
        return ReadBytes(line_, replySize);
    }

    bool LinkExists() const
    {
        std::error_code error;
        return std::filesystem::is_symlink(std::filesystem::symlink_status(PortMap::LinkPath("com7"), error));
    }

    ScopedConfigHome configHome_;
    std::string banner_;
    pid_t pid_ = -1;
    int output_ = -1;
    int line_ = -1;
};

const Bytes kPowerOnFrame{0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8};

}  // namespace

TEST_F(Ez2181SimProgramTest, ServesThePortUntilTerminatedAndThenRemovesTheLink)
{
    StartBoard({"com7"});
    EXPECT_NE(banner_.find("linked as com7"), std::string::npos);
    EXPECT_TRUE(LinkExists());
    EXPECT_EQ(Exchange({0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF5}, 6), (Bytes{0xFA, 0x00, 0x03, 0xFE, 0x12, 0xF0}));
    EXPECT_EQ(Stop(SIGTERM), 0);
    EXPECT_FALSE(LinkExists());
}

TEST_F(Ez2181SimProgramTest, InterruptAlsoRemovesTheLink)
{
    StartBoard({"--port", "com7", "--baud", "38400"});
    EXPECT_NE(banner_.find("paced at 38400 baud"), std::string::npos);
    EXPECT_EQ(Stop(SIGINT), 0);
    EXPECT_FALSE(LinkExists());
}

TEST_F(Ez2181SimProgramTest, UserSignalPowerCyclesTheBoard)
{
    StartBoard({"com7"});
    const Bytes write = Request(0x01, {0x00, 0x00, 0x40, 0x01, 0x01, 0x00, 0x00, 0x12, 0x34});
    EXPECT_EQ(Exchange(write, 6), Reply());
    ::kill(pid_, SIGUSR1);
    EXPECT_EQ(ReadBytes(line_, 6), kPowerOnFrame);
    // The acknowledgement gets no reply; the data memory was lost with the power.
    EXPECT_EQ(Exchange(Concat(Request(0xFE), Request(0x02, AddressCount(0x4001, 1))), 10),
              Reply({0x00, 0x00, 0x00, 0x00}));
}

TEST_F(Ez2181SimProgramTest, PowerOnFrameIsRepeatedUntilAcknowledged)
{
    StartBoard({"com7", "--power-up-every", "20"});
    EXPECT_EQ(ReadBytes(line_, 12), Concat(kPowerOnFrame, kPowerOnFrame));
}

TEST_F(Ez2181SimProgramTest, FaultsCountFramesFromTheStart)
{
    StartBoard({"com7", "--fault", "status@2=0x07"});
    EXPECT_EQ(Exchange(Request(0x04), 6), Reply());
    EXPECT_EQ(Exchange(Request(0x04), 6), Reply({}, 0x07));
    EXPECT_EQ(Exchange(Request(0x04), 6), Reply());
}

TEST_F(Ez2181SimProgramTest, VerboseBoardTracesEachRequest)
{
    StartBoard({"com7", "--verbose"});
    EXPECT_EQ(Exchange({0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF5}, 6), Reply());
    EXPECT_EQ(ReadLine(output_), "ez2181-sim: request 1 to 0xFF: command 0x04, payload none");
    EXPECT_EQ(Exchange({0xFA, 0xFF, 0x08, 0x02, 0x00, 0x00, 0x40, 0x10, 0x04, 0xAA, 0xFB}, 22).size(), 22u);
    EXPECT_EQ(ReadLine(output_), "ez2181-sim: request 2 to 0xFF: command 0x02, payload 00 00 40 10 04");
}

TEST_F(Ez2181SimProgramTest, HelpAndBadOptions)
{
    Spawn({"--help"});
    EXPECT_EQ(ReadLine(output_), "usage: ez2181-sim [options] [PORT]");
    EXPECT_EQ(Stop(0), 0);
    ::close(output_);
    output_ = -1;

    Spawn({"--fault", "smoke"});
    EXPECT_EQ(ReadLine(output_), "ez2181-sim: unknown fault \"smoke\"");
    EXPECT_EQ(ReadLine(output_), "Try 'ez2181-sim --help' for more information.");
    EXPECT_EQ(Stop(0), 2);
    EXPECT_FALSE(LinkExists());
}
