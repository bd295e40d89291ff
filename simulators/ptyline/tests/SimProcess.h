#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// A simulator program run by a test, with its own port map folder: the test
// reads its first output line, talks to it through the port map's link, and
// ends it with a signal.
class SimProcess {
public:
    SimProcess();
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the program with the arguments; false when it could not start.
    bool Spawn(const std::string& program, const std::vector<std::string>& args);
    // The next line of its standard output and error ("" after a wait of 10 s).
    std::string ReadLine();
    // Opens the port map's link for `port` raw, as the PC would; false when it fails.
    bool OpenPort(const std::string& port);
    bool Send(const std::vector<std::uint8_t>& bytes);
    // Bytes from the line until `count` arrived or `quiet` passed without one.
    std::vector<std::uint8_t> Receive(std::size_t count, std::chrono::milliseconds quiet);
    // Sends the signal and returns the exit status (-1 when it did not exit normally).
    int Stop(int signal);
    const std::string& configHome() const { return configHome_; }

private:
    std::string configHome_;
    pid_t pid_ = -1;
    int output_ = -1;
    int line_ = -1;
};
