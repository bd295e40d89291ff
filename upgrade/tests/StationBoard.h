#pragma once

#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLinePort.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// A simulated 2181 board in its slot's cable: a pseudo-terminal linked as its
// port, paced at 38400 baud. SwitchOn power-cycles it; it then sends its
// power-on frame again every second until the PC answers, in case the PC was
// not listening yet. (A repeat sooner than that could cross the PC's answer and
// land in the middle of the programming, which no real board does.)
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
