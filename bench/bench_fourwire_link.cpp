// Moves data through FourWireLink against the simulated four-wire target and prints
// the payload rate of each command, the bytes per second on the wire and the port
// operations per bit: first with the target in the same process (the link's own
// cost), then with the target served by the simulator's socket, as the monitor
// server reaches it through the port map.

#include "bench/BenchResult.h"

#include "monitor/boards/FourWireLink.h"
#include "platform/Clock.h"
#include "platform/PortMap.h"
#include "simulators/fourwire/FourWireSocketServer.h"
#include "simulators/fourwire/FourWireTarget.h"
#include "simulators/fourwire/FourWireTargetPort.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

struct Figures {
    double seconds = 0;
    std::uint64_t payloadBytes = 0;
    std::uint64_t wireBytes = 0;
};

// Repeats `transfer` (moving `payloadBytes` each time) for at least `minSeconds`.
Figures Measure(FourWireTarget& target, double minSeconds, std::uint64_t payloadBytes,
                const std::function<bool()>& transfer)
{
    Figures f;
    const std::uint64_t wireBefore = target.bytesTransferred();
    const auto start = Steady::now();
    do {
        if (!transfer()) {
            std::fprintf(stderr, "bench_fourwire_link: a transfer failed\n");
            std::exit(1);
        }
        f.payloadBytes += payloadBytes;
        f.seconds = std::chrono::duration<double>(Steady::now() - start).count();
    } while (f.seconds < minSeconds);
    f.wireBytes = target.bytesTransferred() - wireBefore;
    return f;
}

// Payload rates of the commands in the same process, the reference of the socket's.
std::map<std::string, double> inProcessRates;

void Print(const char* what, const Figures& f, const char* resultName, bool overSocket)
{
    std::printf("  %-34s %10.0f payload bytes/s  %10.0f wire bytes/s\n", what, f.payloadBytes / f.seconds,
                f.wireBytes / f.seconds);
    const double rate = f.payloadBytes / f.seconds;
    if (!overSocket) {
        inProcessRates[resultName] = rate;
        PrintResult(("fourwire_" + std::string(resultName)).c_str(), rate, "bytes/s");
    } else {
        PrintResult(("fourwire_socket_" + std::string(resultName)).c_str(), rate, "bytes/s", "in-process",
                    inProcessRates[resultName]);
    }
}

// Runs every command once over `link` and prints the rates.
void RunCommands(FourWireLink& link, FourWireTarget& target, double minSeconds, bool overSocket)
{
    std::vector<std::uint16_t> data(1000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint16_t>(i * 37);
    std::vector<std::uint32_t> program(1000);
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<std::uint32_t>(i * 40503) & 0xFFFFFF;
    FourWireLink::FlashBlock block{};
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i);

    // What each command moves, in payload bytes a run, and the run itself.
    const struct {
        const char* what;
        const char* resultName;
        std::uint64_t payloadBytes;
        std::function<bool()> run;
    } commands[] = {
        {"write data (command 3, 1000 words)", "write_data", 2000,
         [&] { return link.WriteDataWords(0x100, data).ok(); }},
        {"read data (command 6, 1000 words)", "read_data", 2000, [&] { return link.ReadDataWords(0x100, data).ok(); }},
        {"write program (command 4, 1000)", "write_program", 3000,
         [&] { return link.WriteProgramWords(0x100, program).ok(); }},
        {"read program (command 7, 1000)", "read_program", 3000,
         [&] { return link.ReadProgramWords(0x100, program).ok(); }},
        {"write flash (command 5, 256 bytes)", "write_flash", 256,
         [&] { return link.WriteFlashBlock(0x12300, block).ok(); }},
        {"read flash (command 8, 256 bytes)", "read_flash", 256,
         [&] { return link.ReadFlashBlock(0x12300, block).ok(); }},
    };
    for (const auto& command : commands)
        Print(command.what, Measure(target, minSeconds, command.payloadBytes, command.run), command.resultName,
              overSocket);
}

}  // namespace

int main()
{
    {
        FourWireTarget target(Clock::Steady());
        auto owned = std::make_unique<FourWireTargetPort>(target);
        FourWireTargetPort* port = owned.get();
        FourWireLink link(LPTDigitalInstrument(std::move(owned)), Clock::Steady());

        std::printf("Target in the same process:\n");
        const std::uint64_t opsBefore = port->reads() + port->writes();
        const std::uint64_t bytesBefore = target.bytesTransferred();
        RunCommands(link, target, 1.0, false);
        const double opsPerBit = static_cast<double>(port->reads() + port->writes() - opsBefore) / (8.0 * static_cast<double>(target.bytesTransferred() - bytesBefore));
        std::printf("  port operations per bit: %.2f (reads %llu, writes %llu)\n", opsPerBit,
                    static_cast<unsigned long long>(port->reads()),
                    static_cast<unsigned long long>(port->writes()));
    }

    std::string folder = (std::filesystem::temp_directory_path() / "bench-fourwire-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr)
        return 1;
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    FourWireTarget target(Clock::Steady());
    FourWireSocketServer server(target);
    std::string error;
    int stop[2];
    if (pipe(stop) != 0 || !server.Listen(folder + "/target.sock", error) || !PortMap::Link("lpt1", server.path())) {
        std::fprintf(stderr, "bench_fourwire_link: cannot serve the target: %s\n", error.c_str());
        return 1;
    }
    std::thread serving([&] { server.Serve(stop[0]); });
    {
        FourWireLink link;  // LPT1 through the port map, as the server opens it
        if (!link.port().HasPortAccess()) {
            std::fprintf(stderr, "bench_fourwire_link: %s\n", link.port().AccessError().c_str());
            return 1;
        }
        std::printf("Target served by the simulator's socket (as linked in the port map):\n");
        RunCommands(link, target, 0.5, true);
    }
    if (write(stop[1], "x", 1) != 1)
        return 1;
    serving.join();
    std::filesystem::remove_all(folder);
    return 0;
}
