#include "simulators/ptyline/tests/SimProcess.h"

#include "platform/PortMap.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kPatienceMs = 10000;

bool WaitReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN);
}

}  // namespace

SimProcess::SimProcess()
{
    char folder[] = "/tmp/varnix-sim-test-XXXXXX";
    if (::mkdtemp(folder) != nullptr)
        configHome_ = folder;
    ::setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
}

SimProcess::~SimProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0)
        ::close(output_);
    if (line_ >= 0)
        ::close(line_);
    std::error_code error;
    std::filesystem::remove_all(configHome_, error);
}

bool SimProcess::Spawn(const std::string& program, const std::vector<std::string>& args)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const int result = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    output_ = pipeFds[0];
    if (result != 0)
        pid_ = -1;
    return result == 0;
}

std::string SimProcess::ReadLine()
{
    std::string line;
    char c = 0;
    while (WaitReadable(output_, kPatienceMs) && ::read(output_, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

bool SimProcess::OpenPort(const std::string& port)
{
    line_ = ::open(PortMap::DevicePath(port).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line_ < 0)
        return false;
    termios t{};
    if (::tcgetattr(line_, &t) != 0)
        return false;
    ::cfmakeraw(&t);
    return ::tcsetattr(line_, TCSANOW, &t) == 0;
}

bool SimProcess::Send(const std::vector<std::uint8_t>& bytes)
{
    return ::write(line_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::vector<std::uint8_t> SimProcess::Receive(std::size_t count, std::chrono::milliseconds quiet)
{
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[256];
    while (bytes.size() < count && WaitReadable(line_, static_cast<int>(quiet.count()))) {
        const ssize_t n = ::read(line_, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

int SimProcess::Stop(int signal)
{
    if (pid_ <= 0)
        return -1;
    ::kill(pid_, signal);
    int status = 0;
    const pid_t ended = ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
