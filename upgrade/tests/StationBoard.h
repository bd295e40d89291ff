#pragma once

#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLinePort.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// A simulated 2181 board in its slot's cable: a pseudo-terminal linked as its
// port, paced at 38400 baud. SwitchOn power-cycles it; it then sends its
// power-on frame every 100 ms until the PC answers, as a board on a bench whose
// first frame the PC may miss.
class StationBoard {
public:
    explicit StationBoard(const std::string& port);
    ~StationBoard();

    bool started() const { return started_; }
    void SwitchOn();
    Ez2181Simulator& Board() { return board_; }
    std::string SlavePath() const { return line_.SlavePath(); }
    std::vector<std::uint8_t> Flash(std::size_t count) const { return board_.FlashBytes(0, count); }

private:
    Ez2181Simulator board_;
    PtyLinePort line_{board_, 38400};
    bool started_ = false;
    std::atomic<bool> greeting_{false};
    std::atomic<bool> stop_{false};
    std::thread greeter_;
};
