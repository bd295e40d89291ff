// Moves bytes through SerialPort over a pseudo-terminal, one driver call a byte, and
// prints the throughput of both directions, the cost of one byte transfer, and how long
// a read on a silent line takes to give up.

#include "bench/BenchResult.h"

#include "monitor/serial/SerialPort.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBytes = 200000;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main()
{
    std::string folder = (std::filesystem::temp_directory_path() / "bench-serial-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) return 1;
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);

    PtyPair line;
    SerialPort port(0);
    if (!line.ok() || !PortMap::Link("com1", line.slavePath()) || !port.Open()) {
        std::fprintf(stderr, "bench_serial_port: no pseudo-terminal line\n");
        return 1;
    }
    std::vector<std::uint8_t> block(kBytes);
    for (int i = 0; i < kBytes; ++i) block[i] = static_cast<std::uint8_t>(i * 7);

    // PC to device: WriteBytes while a thread drains the master.
    std::atomic<std::size_t> drained{0};
    std::thread drain([&] {
        while (drained < static_cast<std::size_t>(kBytes)) {
            const auto got = line.Receive(4096, 1000);
            if (got.empty()) break;
            drained += got.size();
        }
    });
    auto start = Clock::now();
    port.WriteBytes(kBytes, block.data());
    drain.join();
    const double writeSeconds = Seconds(start);

    // Device to PC: ReadBytes while a thread feeds the master.
    std::thread feed([&] { line.Send(block); });
    std::vector<std::uint8_t> received(kBytes);
    start = Clock::now();
    port.ReadBytes(kBytes, received.data());
    const double readSeconds = Seconds(start);
    feed.join();

    start = Clock::now();
    bool threw = false;
    try {
        port.ReadByte();
    } catch (const SerialPortException&) {
        threw = true;
    }
    const double silentSeconds = Seconds(start);

    std::printf("write: %d bytes in %.3f s, %.0f bytes/s, %.2f us a byte (%zu arrived)\n", kBytes,
                writeSeconds, kBytes / writeSeconds, writeSeconds * 1e6 / kBytes, drained.load());
    std::printf("read:  %d bytes in %.3f s, %.0f bytes/s, %.2f us a byte (%s)\n", kBytes,
                readSeconds, kBytes / readSeconds, readSeconds * 1e6 / kBytes,
                received == block ? "identical" : "DIFFERENT");
    std::printf("silent line: ReadByte %s after %.0f ms\n", threw ? "threw" : "returned",
                silentSeconds * 1000);
    PrintResult("serial_port_write", writeSeconds * 1e6 / kBytes, "us/byte");
    PrintResult("serial_port_read", readSeconds * 1e6 / kBytes, "us/byte");
    PrintResult("serial_port_silent_read", silentSeconds * 1000, "ms", "read-timeout", 1000);

    port.Close();
    std::filesystem::remove_all(folder);
    return received == block && threw ? 0 : 1;
}
