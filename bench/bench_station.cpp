// The programming station: four slotCount programming three boards each, one after
// the other as each board is switched on again, against one slot programming
// three boards, in the same run and through the same varnix. Every line is paced
// at 38400 baud. The goal: the four slotCount take at most 1.10 times as long as the one.
//
// usage: bench_station [KIB]   (image kibibytes, default 32)

#include "bench/BenchArgs.h"
#include "bench/BenchBoard.h"
#include "bench/VarnixBench.h"
#include "bench/BenchResult.h"

#include "automation/dbus/AutomationError.h"
#include "automation/dbus/DispatchDriver.h"
#include "monitor/boards/Ez2181.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/StationRun.h"

#include <QCoreApplication>
#include <QThread>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kBaud = 38400;
constexpr std::size_t kSlots = 4;
constexpr int kBoardsEach = 3;

// A board switched on: it says so again every 250 ms until the station answers,
// so that a frame sent while the slot was between two waits is not lost.
struct Board : BenchBoard {
    std::atomic<bool> greeting{false};

    void SwitchOn()
    {
        simulator.PowerUp();
        greeting = true;
    }
};

// Runs a station on the first `slotCount` boards until each has passed `kBoardsEach`
// boards; the seconds that took, or a negative number when a board failed.
double RunStation(std::array<Board, kSlots>& boards, std::size_t slotCount, const std::string& file)
{
    BatchOptions options;
    options.station = options.batch = true;
    options.baud = static_cast<std::int32_t>(kBaud);
    options.programFile = file;
    for (std::size_t i = 0; i < slotCount; ++i) options.ports.push_back(boards[i].port);
    std::ostream nowhere(nullptr);
    StationRun station(options, nowhere, nowhere, nullptr);
    std::atomic<int> failed{0};
    station.SetChangeListener([&](std::size_t slot, const StationSlot::View& view) {
        failed += view.failed;
        if (view.state == StationSlot::State::Passed && view.passed < kBoardsEach) boards[slot].SwitchOn();
    });
    const auto start = Clock::now();
    station.Start();
    for (std::size_t i = 0; i < slotCount; ++i) boards[i].SwitchOn();
    // Since when each board has waited for its answer, as this loop saw it.
    std::array<std::optional<Clock::time_point>, kSlots> waiting;
    for (;;) {
        QThread::msleep(20);
        if (failed > 0) return -1;
        int done = 0;
        for (const auto& view : station.Views()) done += view.passed == kBoardsEach ? 1 : 0;
        if (done == static_cast<int>(slotCount)) break;
        for (std::size_t i = 0; i < slotCount; ++i) {
            if (!boards[i].greeting || boards[i].simulator.PowerOnAcknowledged()) {
                waiting[i].reset();
            } else if (!waiting[i]) {
                waiting[i] = Clock::now();
            } else if (Clock::now() - *waiting[i] > std::chrono::milliseconds(250)) {
                boards[i].simulator.SendPowerOnFrame();
                waiting[i] = Clock::now();
            }
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (std::size_t i = 0; i < slotCount; ++i) boards[i].greeting = false;
    station.Stop();
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long kib = KibArgument(argc, argv, 32, "bench_station");
    if (kib == 0)
        return 2;
    // The port map, the classes and the bus of this run only.
    VarnixBench<Board, kSlots> bench;
    if (!bench.Start(kib, kBaud, Ez2181Driver::kPort))
        return 1;

    const double one = RunStation(bench.Boards(), 1, bench.File());
    const double four = RunStation(bench.Boards(), kSlots, bench.File());
    if (one <= 0 || four <= 0) {
        std::printf("a board failed\n");
        return 1;
    }
    if (!bench.FlashesHoldTheImage())
        return 1;
    std::printf("%ld KiB at %u baud: one slot, 3 boards %.3f s; 4 slots, 3 boards each %.3f s; ratio %.4f (goal <= 1.10)\n",
                kib, kBaud, one, four, four / one);
    PrintResult("station_4x3_38400", four, "s", "one-slot-3-boards", one);
    bench.Release();
    return 0;
}
