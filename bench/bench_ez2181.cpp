// Programs and verifies an S-record image through the Ez2181 board class on COM1, which
// the port map links to a pseudo-terminal served by the simulated 2181 board:
// (a) unpaced, printing flash bytes per second, and (b) with the board pacing its line at
// 38400 baud, printing the elapsed time divided by the wire time of every byte that
// crossed the line in either direction (10 bits a byte). The goal of (b) is at most 1.05.
// (c), when Debian's ser2net is installed: as (b), with COM1 linked to
// rfc2217://127.0.0.1:PORT, where ser2net serves the board's pseudo-terminal; the goal is
// at most 1.10.
// (d) as (b), with the board behind the model of a USB serial adapter on the PC's side
// (UsbAdapter): once at an FTDI chip's default 16 ms latency, once at the 1 ms of the
// driver's low-latency mode; the goal at 1 ms is at most 1.05, the 16 ms row shows what
// low-latency mode is worth.
//
// usage: bench_ez2181 [KIB]   (image kibibytes, default 256)

#include "bench/BenchArgs.h"
#include "bench/BenchImage.h"
#include "bench/BenchResult.h"

#include "monitor/boards/Ez2181.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/Ser2netServer.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLineServer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Outcome {
    bool ok = false;
    double programSeconds = 0;
    double verifySeconds = 0;
    std::uint64_t lineBytes = 0;

    double Seconds() const { return programSeconds + verifySeconds; }
    // How long the bytes that crossed the line take at `baud`, 10 bits a byte.
    double WireMinimum(std::uint32_t baud) const { return static_cast<double>(lineBytes) * 10.0 / baud; }
};

// `ser2netFolder` empty: COM1 is the pseudo-terminal; else ser2net, with its files
// there, serves the pseudo-terminal and COM1 is the network port.
Outcome ProgramAndVerify(std::uint32_t baud, const std::string& file, const std::vector<std::uint8_t>& image,
                         const std::string& ser2netFolder = {},
                         std::optional<UsbAdapter::Settings> adapter = std::nullopt)
{
    Outcome outcome;
    PtyPair pty;
    Ez2181Simulator board;
    board.SetRecording(false);
    PtyLineServer runner(board, pty.masterFd(), baud);
    runner.SetAdapter(adapter);
    Ser2netServer ser2net(pty.slavePath(), ser2netFolder);
    if (!ser2netFolder.empty() && !ser2net.Start()) {
        std::printf("cannot start ser2net (see %s/ser2net.log)\n", ser2netFolder.c_str());
        return outcome;
    }
    const std::string device = ser2netFolder.empty() ? pty.slavePath() : ser2net.Address();
    if (!pty.ok() || !PortMap::Link("COM1", device) || !runner.Start()) {
        std::printf("cannot start the simulated board\n");
        return outcome;
    }
    Ez2181 ez;
    Clock::time_point start = Clock::now();
    const Variant programmed = ez.ProgFlash(file);
    outcome.programSeconds = SecondsSince(start);
    start = Clock::now();
    const Variant verified = ez.VerifyFlash(file);
    outcome.verifySeconds = SecondsSince(start);
    outcome.lineBytes = runner.BytesReceived() + runner.BytesSent();
    runner.Stop();
    if (programmed != Variant::I4(0) || verified != Variant::I4(0)) {
        std::printf("%u baud: failed with code %d, \"%s\"\n", baud, ez.GetErrorCode(), ez.GetErrorString().c_str());
        return outcome;
    }
    if (board.FlashBytes(0, image.size()) != image) {
        std::printf("%u baud: the flash does not hold the image\n", baud);
        return outcome;
    }
    outcome.ok = true;
    return outcome;
}

// The line of a run paced at `baud`, against the wire time of all its bytes; `how` says
// how the line was reached.
void PrintPaced(const Outcome& outcome, std::uint32_t baud, const char* how, const char* goal)
{
    const double elapsed = outcome.Seconds();
    const double wireMinimum = outcome.WireMinimum(baud);
    std::printf("%u baud%s: %.3f s (program %.3f s, verify %.3f s) for %llu bytes on the line, wire minimum %.3f s, "
                "ratio %.4f (goal <= %s)\n",
                baud, how, elapsed, outcome.programSeconds, outcome.verifySeconds,
                static_cast<unsigned long long>(outcome.lineBytes), wireMinimum, elapsed / wireMinimum, goal);
}

// (d): one row through the adapter model; false when the transfer failed.
bool ThroughAdapter(const char* name, std::chrono::milliseconds latency, std::uint32_t baud, const std::string& file,
                    const std::vector<std::uint8_t>& image)
{
    const Outcome outcome = ProgramAndVerify(baud, file, image, {}, UsbAdapter::Settings{latency, 62});
    if (!outcome.ok)
        return false;
    const double elapsed = outcome.Seconds();
    const double wireMinimum = outcome.WireMinimum(baud);
    std::printf("%u baud behind a USB adapter of %lld ms latency: %.3f s (program %.3f s, verify %.3f s), "
                "wire minimum %.3f s, ratio %.4f%s\n",
                baud, static_cast<long long>(latency.count()), elapsed, outcome.programSeconds,
                outcome.verifySeconds, wireMinimum, elapsed / wireMinimum,
                latency.count() <= 1 ? " (goal <= 1.05)" : " (reported)");
    PrintResult(name, elapsed, "s", "wire-minimum", wireMinimum);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const long kib = KibArgument(argc, argv, 256, "bench_ez2181");
    if (kib == 0)
        return 2;
    std::string folder = (std::filesystem::temp_directory_path() / "bench-ez2181-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::printf("cannot make a temporary folder\n");
        return 1;
    }
    // The port map of this run only.
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    const std::vector<std::uint8_t> image = BenchImage::PatternBytes(static_cast<std::size_t>(kib) * 1024);
    const std::string file = folder + "/image.bnm";
    int status = 1;
    if (!BenchImage::Write(folder, image, file)) {
        std::printf("srec_cat could not write the image\n");
    } else {
        const double bytes = static_cast<double>(image.size());
        const Outcome unpaced = ProgramAndVerify(0, file, image);
        if (unpaced.ok) {
            std::printf("unpaced: %ld KiB programmed in %.3f s (%.0f flash bytes/s), verified in %.3f s "
                        "(%.0f flash bytes/s); both %.0f flash bytes/s\n",
                        kib, unpaced.programSeconds, bytes / unpaced.programSeconds, unpaced.verifySeconds,
                        bytes / unpaced.verifySeconds, bytes / unpaced.Seconds());
            const std::uint32_t baud = 38400;
            const Outcome paced = ProgramAndVerify(baud, file, image);
            if (paced.ok) {
                PrintPaced(paced, baud, "", "1.05");
                PrintResult("ez2181_flash_unpaced", bytes / unpaced.Seconds(), "bytes/s");
                PrintResult("ez2181_flash_38400", paced.Seconds(), "s", "wire-minimum", paced.WireMinimum(baud));
                status = 0;
            }
            if (paced.ok) {
                const bool adapters =
                    ThroughAdapter("ez2181_flash_38400_usb16ms", std::chrono::milliseconds(16), baud, file, image) && ThroughAdapter("ez2181_flash_38400_usb1ms", std::chrono::milliseconds(1), baud, file, image);
                status = adapters ? 0 : 1;
            }
            if (paced.ok && Ser2netServer::Program().empty()) {
                std::printf("ser2net is not installed: no figure through it\n");
            } else if (paced.ok) {
                const Outcome networked = ProgramAndVerify(baud, file, image, folder);
                if (!networked.ok)
                    status = 1;
                if (networked.ok) {
                    PrintPaced(networked, baud, " through ser2net", "1.10");
                    PrintResult("ez2181_flash_38400_ser2net", networked.Seconds(), "s", "wire-minimum",
                                networked.WireMinimum(baud));
                }
            }
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
