// Programs and verifies an Intel HEX file on the simulated 21k EZ-KIT board through the
// Ezkit21k board class, over a pseudo-terminal linked as COM1 and served unpaced, and
// reads data memory in 256-word packets; prints flash kibibytes per second for each
// direction, read words per second, and the bytes that crossed the line per flash page.
// Then programs the same file with the line paced at the board's 115200 baud, once on the
// plain pseudo-terminal (goal: at most 1.03 times the wire time of the bytes that crossed
// the line) and once behind the model of a USB adapter at 1 ms latency (reported).
//
// usage: bench_ezkit21k [KIB]   (flash kibibytes per run, default 64)

#include "bench/BenchResult.h"

#include "monitor/boards/Ezkit21k.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "simulators/ezkit21k/Ezkit21kSimulator.h"
#include "simulators/ptyline/PtyLineServer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// An Intel HEX file of `bytes` pseudo-random bytes from address 0, 32 bytes a record,
// with a linear address record at each 64 KiB.
void WriteHexFile(const std::string& path, std::size_t bytes)
{
    std::ofstream out(path);
    std::uint32_t state = 12345;
    char text[80];
    for (std::size_t address = 0; address < bytes; address += 32) {
        if (address % 0x10000 == 0) {
            const unsigned high = static_cast<unsigned>(address >> 16);
            std::snprintf(text, sizeof text, ":02000004%04X%02X\n", high,
                          (0x100 - ((2 + 4 + (high >> 8) + (high & 0xFF)) & 0xFF)) & 0xFF);
            out << text;
        }
        const unsigned offset = static_cast<unsigned>(address & 0xFFFF);
        unsigned sum = 32 + (offset >> 8) + (offset & 0xFF);
        std::snprintf(text, sizeof text, ":20%04X00", offset);
        out << text;
        for (int i = 0; i < 32; ++i) {
            state = state * 1664525u + 1013904223u;
            const unsigned byte = state >> 24;
            sum += byte;
            std::snprintf(text, sizeof text, "%02X", byte);
            out << text;
        }
        std::snprintf(text, sizeof text, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
        out << text;
    }
    out << ":00000001FF\n";
}

// ProgFlash with the line paced at the board's rate; false when it failed.
bool PacedProgFlash(const char* name, const std::string& hex, std::optional<UsbAdapter::Settings> adapter)
{
    Ezkit21kSimulator sim;
    sim.SetRecording(false);
    PtyPair pty;
    PtyLineServer server(sim, pty.masterFd(), Ezkit21k::kBaudRate);
    server.SetAdapter(adapter);
    if (!pty.ok() || !PortMap::Link("com1", pty.slavePath()) || !server.Start()) {
        std::fprintf(stderr, "bench_ezkit21k: cannot serve the simulated board\n");
        return false;
    }
    Ezkit21k board;
    const Clock::time_point start = Clock::now();
    const Variant programmed = board.ProgFlash(hex, 0);
    const double seconds = Seconds(start);
    server.Stop();
    if (programmed != Variant::I4(0)) {
        std::fprintf(stderr, "bench_ezkit21k: paced ProgFlash failed: %s\n", board.GetErrorString().c_str());
        return false;
    }
    const double wireSeconds =
        static_cast<double>(server.BytesReceived() + server.BytesSent()) * 10.0 / Ezkit21k::kBaudRate;
    std::printf("ProgFlash paced at %u baud%s: %.3f s, wire minimum %.3f s, ratio %.4f%s\n", Ezkit21k::kBaudRate,
                adapter ? " behind a USB adapter of 1 ms latency" : "", seconds, wireSeconds, seconds / wireSeconds,
                adapter ? " (reported)" : " (goal <= 1.03)");
    PrintResult(name, seconds, "s", "wire-minimum", wireSeconds);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t kib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
    if (kib == 0 || kib > 1000) {
        std::fprintf(stderr, "usage: bench_ezkit21k [KIB]   (1 to 1000)\n");
        return 2;
    }
    char folder[] = "/tmp/bench-ezkit21k-XXXXXX";
    if (::mkdtemp(folder) == nullptr)
        return 1;
    ::setenv("XDG_CONFIG_HOME", folder, 1);
    const std::string hex = std::string(folder) + "/bench.hex";
    WriteHexFile(hex, kib * 1024);

    Ezkit21kSimulator sim;
    sim.SetRecording(false);
    PtyPair pty;
    PtyLineServer server(sim, pty.masterFd());
    if (!pty.ok() || !PortMap::Link("com1", pty.slavePath()) || !server.Start()) {
        std::fprintf(stderr, "bench_ezkit21k: cannot serve the simulated board\n");
        return 1;
    }
    int status = 0;
    {
        Ezkit21k board;
        const double pages = static_cast<double>(kib * 4);

        Clock::time_point start = Clock::now();
        const std::uint64_t before = server.BytesReceived() + server.BytesSent();
        Variant programmed = board.ProgFlash(hex, 0);
        const double programSeconds = Seconds(start);
        const double bytesPerPage = static_cast<double>(server.BytesReceived() + server.BytesSent() - before) / pages;

        start = Clock::now();
        Variant verified = board.VerifyFlash(hex, 0);
        const double verifySeconds = Seconds(start);

        constexpr int kReads = 200;
        start = Clock::now();
        bool readsOk = true;
        for (int i = 0; i < kReads && readsOk; ++i)
            readsOk = board.ReadDM(0x1000 + 256 * i, 256, 0, 0).IsArray();
        const double readSeconds = Seconds(start);

        if (programmed != Variant::I4(0) || verified != Variant::I4(0) || !readsOk) {
            std::fprintf(stderr, "bench_ezkit21k: failed: %s\n", board.GetErrorString().c_str());
            status = 1;
        } else {
            std::printf("ProgFlash   %4zu KiB HEX: %.3f s, %.1f KiB/s, %.0f line bytes a page\n", kib,
                        programSeconds, static_cast<double>(kib) / programSeconds, bytesPerPage);
            std::printf("VerifyFlash %4zu KiB HEX: %.3f s, %.1f KiB/s\n", kib, verifySeconds,
                        static_cast<double>(kib) / verifySeconds);
            std::printf("ReadDM      %d x 256 words: %.3f s, %.0f words/s\n", kReads, readSeconds,
                        kReads * 256 / readSeconds);
            // The line is not paced: the reference is the time its bytes would take at
            // the board's 115200 baud, so the ratio is the program's share of a real line.
            const double wireSeconds = bytesPerPage * pages * 10.0 / Ezkit21k::kBaudRate;
            PrintResult("ezkit21k_progflash", programSeconds, "s", "wire-115200", wireSeconds);
            PrintResult("ezkit21k_verifyflash", static_cast<double>(kib) / verifySeconds, "KiB/s");
            PrintResult("ezkit21k_readdm", kReads * 256 / readSeconds, "words/s");
        }
    }
    server.Stop();
    if (status == 0) {
        const bool paced = PacedProgFlash("ezkit21k_progflash_115200", hex, std::nullopt) && PacedProgFlash("ezkit21k_progflash_115200_usb1ms", hex,
                                                                                                            UsbAdapter::Settings{std::chrono::milliseconds(1), 62});
        status = paced ? 0 : 1;
    }
    std::filesystem::remove_all(folder);
    return status;
}
