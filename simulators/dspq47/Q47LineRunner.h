#pragma once

#include "simulators/dspq47/Q47Unit.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class PtyPair;

// Serves a Q47Unit on a pseudo-terminal linked into the port map, on a thread of its
// own. Paced, the line behaves as one at 4800 baud with 10 bits a character: the unit
// answers no earlier than the last received byte would have arrived, and its answer
// leaves one character time apart.
class Q47LineRunner {
public:
    static constexpr std::chrono::nanoseconds kCharTime{10'000'000'000LL / 4800};
    // A configuration that stops arriving for this long is given up.
    static constexpr std::chrono::milliseconds kStreamGiveUp{300};

    Q47LineRunner(Q47Unit& unit, bool paced);
    ~Q47LineRunner();
    Q47LineRunner(const Q47LineRunner&) = delete;
    Q47LineRunner& operator=(const Q47LineRunner&) = delete;

    // Opens the pseudo-terminal, links `portName` ("com1") to it and starts serving.
    bool Start(const std::string& portName);
    // Stops serving and removes the link.
    void Stop();

    std::string SlavePath() const;

private:
    using TimePoint = std::chrono::steady_clock::time_point;

    void Serve();
    void HandleBytes(const std::uint8_t* bytes, std::size_t count);
    void SendAnswer(const std::vector<std::uint8_t>& answer);
    bool WriteAll(const std::uint8_t* bytes, std::size_t count);

    Q47Unit& unit_;
    const bool paced_;
    std::unique_ptr<PtyPair> pty_;
    std::string portName_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    TimePoint lineFreeAt_{};
    TimePoint lastByteAt_{};
};
