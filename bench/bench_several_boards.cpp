// Four simulated 2181 boards, each pacing its line at 38400 baud, programmed and
// verified at the same time through one varnix server, each by a client thread with
// a connection of its own; beside it, in the same run and through the same server,
// one board alone. The goal: the four together take at most 1.15 times as long as
// the one alone.
//
// usage: bench_several_boards [KIB]   (image kibibytes for each board, default 32)

#include "bench/BenchImage.h"
#include "bench/BenchHome.h"
#include "bench/BenchResult.h"

#include "automation/core/HResult.h"
#include "automation/dbus/AutomationError.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/PrivateSessionBus.h"
#include "automation/dbus/RemoteMemberError.h"
#include "monitor/boards/Ez2181.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLineServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
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

struct Board {
    PtyPair pty;
    Ez2181Simulator simulator;
    std::unique_ptr<PtyLineServer> server;
    std::string port;
};

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
    const long kib = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 32;
    if (kib <= 0 || kib > 1024) {
        std::printf("usage: bench_several_boards [KIB]  (1 to 1024)\n");
        return 2;
    }
    // The port map, the classes and the bus of this run only.
    const BenchHome home;
    const QString services = home.Services();
    if (!ClassesRoot().Register({Ez2181::kClassId, Ez2181::kProgId, Ez2181::kProgId, VARNIX_PATH})) {
        std::printf("cannot register varnix\n");
        return 1;
    }
    std::array<Board, kBoards> boards;
    for (std::size_t i = 0; i < kBoards; ++i) {
        Board& board = boards[i];
        board.simulator.SetRecording(false);
        board.port = "com" + std::to_string(i + 1);
        board.server = std::make_unique<PtyLineServer>(board.simulator, board.pty.masterFd(), kBaud);
        if (!board.pty.ok() || !PortMap::Link(board.port, board.pty.slavePath()) || !board.server->Start()) {
            std::printf("cannot start the simulated board on %s\n", board.port.c_str());
            return 1;
        }
    }
    const std::vector<std::uint8_t> image = BenchImage::PatternBytes(static_cast<std::size_t>(kib) * 1024);
    const std::string file = home.FilePath(QStringLiteral("image.bnm")).toStdString();
    if (!BenchImage::Write(home.Path().toStdString(), image, file)) {
        std::printf("srec_cat could not write the image\n");
        return 1;
    }
    PrivateSessionBus bus(services);
    if (!bus.IsRunning()) {
        std::printf("%s\n", qPrintable(bus.Error()));
        return 1;
    }
    // A client that holds an object (on a port of its own) keeps one server up for both runs.
    PtyPair spare;
    PortMap::Link("com9", spare.slavePath());
    DispatchDriver keeper(QDBusConnection::connectToBus(bus.Address(), QStringLiteral("bench-keeper")));
    try {
        keeper.Create(Ez2181::kProgId);
        keeper.Put(kPort, Variant::Bstr("com9"));
    } catch (const AutomationError& e) {
        std::printf("no server: %s\n", e.what());
        return 1;
    }

    const double alone = RunAtOnce(bus.Address(), {"com1"}, file);
    const double together = RunAtOnce(bus.Address(), {"com1", "com2", "com3", "com4"}, file);
    if (alone <= 0 || together <= 0) return 1;
    for (const Board& board : boards) {
        if (board.simulator.FlashBytes(0, image.size()) != image) {
            std::printf("%s: the flash does not hold the image\n", board.port.c_str());
            return 1;
        }
    }
    std::printf("%ld KiB at %u baud: one board alone %.3f s, four boards at once %.3f s, ratio %.4f (goal <= 1.15)\n",
                kib, kBaud, alone, together, together / alone);
    PrintResult("four_boards_38400", together, "s", "one-board", alone);
    keeper.Release();
    return 0;
}
