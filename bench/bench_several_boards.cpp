// Four simulated 2181 boards, each pacing its line at 38400 baud, programmed and
// verified at the same time through one varnix server, each by a client thread with
// a connection of its own; beside it, in the same run and through the same server,
// one board alone. The goal: the four together take at most 1.15 times as long as
// the one alone.
//
// usage: bench_several_boards [KIB]   (image kibibytes for each board, default 32)

#include "bench/BenchArgs.h"
#include "bench/BenchBoard.h"
#include "bench/VarnixBench.h"
#include "bench/BenchResult.h"

#include "automation/core/HResult.h"
#include "automation/dbus/AutomationError.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/RemoteMemberError.h"
#include "monitor/boards/Ez2181.h"

#include <QCoreApplication>
#include <QThread>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kBaud = 38400;
constexpr std::size_t kBoards = 4;
constexpr std::int32_t kProgFlash = 0x10006;    // Ad21xx 6 on an Ez2181
constexpr std::int32_t kVerifyFlash = 0x10007;  // Ad21xx 7
constexpr std::int32_t kErrorMethod = 0x30001;  // AutoBase 1
constexpr std::int32_t kPort = 5;               // Ez2181 5

using Board = BenchBoard;

// Programs and verifies the image on the board of `port` through a connection of
// this thread's own; empty, or the text of the failure.
std::string ProgramAndVerify(const QString& busAddress, const std::string& port, const std::string& file)
{
    const QString name = QStringLiteral("bench-%1").arg(QString::fromStdString(port));
    std::string failure;
    {
        DispatchDriver board(QDBusConnection::connectToBus(busAddress, name));
        try {
            board.Create(Ez2181::kProgId);
            board.Put(kErrorMethod, Variant::I4(2));
            board.Put(kPort, Variant::Bstr(port));
            board.Call(kProgFlash, {Variant::Bstr(file)});
            board.Call(kVerifyFlash, {Variant::Bstr(file)});
        } catch (const RemoteMemberError& e) {
            failure = e.what();
        } catch (const AutomationError& e) {
            failure = e.what();
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return failure.empty() ? failure : port + ": " + failure;
}

// The boards of `ports`, each by a thread of its own, all at once; the seconds until
// the last has ended, or a negative number when one failed.
double RunAtOnce(const QString& busAddress, const std::vector<std::string>& ports, const std::string& file)
{
    std::vector<std::string> failures(ports.size());
    std::vector<std::unique_ptr<QThread>> threads;
    const auto start = Clock::now();
    for (std::size_t i = 0; i < ports.size(); ++i) {
        threads.emplace_back(QThread::create([&, i] { failures[i] = ProgramAndVerify(busAddress, ports[i], file); }));
        threads.back()->start();
    }
    for (const auto& thread : threads) thread->wait();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (const std::string& failure : failures) {
        if (!failure.empty()) {
            std::printf("%s\n", failure.c_str());
            return -1;
        }
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long kib = KibArgument(argc, argv, 32, "bench_several_boards");
    if (kib == 0)
        return 2;
    // The port map, the classes and the bus of this run only.
    VarnixBench<Board, kBoards> bench;
    if (!bench.Start(kib, kBaud, kPort))
        return 1;

    const double alone = RunAtOnce(bench.BusAddress(), {"com1"}, bench.File());
    const double together = RunAtOnce(bench.BusAddress(), {"com1", "com2", "com3", "com4"}, bench.File());
    if (alone <= 0 || together <= 0) return 1;
    if (!bench.FlashesHoldTheImage())
        return 1;
    std::printf("%ld KiB at %u baud: one board alone %.3f s, four boards at once %.3f s, ratio %.4f (goal <= 1.15)\n",
                kib, kBaud, alone, together, together / alone);
    PrintResult("four_boards_38400", together, "s", "one-board", alone);
    bench.Release();
    return 0;
}
