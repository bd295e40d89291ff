#pragma once

#include "simulators/ptyline/PtySimService.h"

#include <cstddef>
#include <memory>

class Ez2181SimProgram;
class Ez2181Simulator;

// The 2181 board as the ez2181-sim program serves it: powered up when serving starts if
// asked, power-cycled by SIGUSR1, its power-on frame sent again every so often until the
// PC acknowledges it, and with --verbose every request frame written to standard error.
class Ez2181SimService : public PtySimService {
public:
    Ez2181SimService(std::unique_ptr<Ez2181Simulator> board, const Ez2181SimProgram& options);

    void Serving() override;
    bool PowerCycles() const override { return true; }
    void PowerCycle() override;
    std::optional<std::chrono::milliseconds> TickDue() const override;
    void Tick() override;

private:
    Ez2181Simulator& board_;
    const Ez2181SimProgram& options_;
    bool poweredUp_ = false;
    std::size_t requests_ = 0;  // counted by the serving thread
};
