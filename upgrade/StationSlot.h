#pragma once

#include "upgrade/BoardRecord.h"

#include <cstdint>
#include <optional>
#include <string>

class StationRun;

// One slot of the programming station: a port whose boards are programmed one
// after the other, by a thread of its own with a bus connection of its own.
// Its view and its board in progress belong to the station, under its lock.
class StationSlot {
public:
    enum class State { Waiting,
                       Programming,
                       Verifying,
                       Passed,
                       Failed,
                       Stopping,
                       Stopped };

    // What the slot shows: the window's tile, the summary table.
    struct View {
        std::string port;
        State state = State::Waiting;
        std::uint64_t done = 0;
        std::uint64_t total = 0;
        std::string lastResult;  // "passed", "failed", "interrupted"; empty before the first board
        std::string lastError;
        int passed = 0;
        int failed = 0;
        int interrupted = 0;

        // A slot before its first board.
        static View Fresh(std::string portName)
        {
            View view;
            view.port = std::move(portName);
            return view;
        }
    };

    // "waiting for a board", "programming", "verifying", "passed", "failed", ...
    static const char* StateText(State state);

    StationSlot(std::string port, int index);

    // The slot's thread: boards until the station stops.
    void Run(StationRun& station);

    View view;
    std::optional<BoardRecord> board;  // the board in progress
    std::string runningStep;
    double runningStepStart = 0;  // seconds of the steady clock

private:
    int index_;
};
