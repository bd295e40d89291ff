// Programs and verifies flash pages on the simulated 2181 board with plain frames written
// straight to its pseudo-terminal, (a) unpaced, printing flash bytes per second, and
// (b) paced at 38400 baud, printing the elapsed time divided by the wire time of all bytes
// that crossed the line (10 bits a byte). This measures the simulator alone: what the
// board driver adds on top shows in its own benchmark.
//
// usage: bench_ez2181_sim [KIB]   (flash kibibytes per run, default 16)

#include "bench/BenchArgs.h"
#include "bench/BenchResult.h"

#include "platform/PtyPair.h"
#include "simulators/ez2181/Ez2181FrameSum.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLineServer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kPage = 256;

Bytes Request(std::uint8_t command, std::uint32_t address, const Bytes& tail)
{
    Bytes frame{0xFA, 0xFF, static_cast<std::uint8_t>(4 + tail.size() + 3), command};
    for (int shift = 24; shift >= 0; shift -= 8)
        frame.push_back(static_cast<std::uint8_t>(address >> shift));
    for (std::uint8_t b : tail)
        frame.push_back(b);
    Ez2181FrameSum sum;
    for (std::uint8_t b : frame)
        sum.Add(b);
    frame.push_back(sum.CheckByte());
    sum.Add(frame.back());
    frame.push_back(sum.CheckByte());
    return frame;
}

class Client {
public:
    explicit Client(int fd) : fd_(fd) {}

    // Sends the request and reads a reply of `payload` bytes; false on a short or wrong reply.
    bool Exchange(const Bytes& request, std::size_t payload, Bytes* data = nullptr)
    {
        if (::write(fd_, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
            return false;
        Bytes reply;
        const std::size_t want = payload + 6;
        while (reply.size() < want) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0)
                return false;
            std::uint8_t chunk[512];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            reply.insert(reply.end(), chunk, chunk + n);
        }
        wireBytes_ += request.size() + reply.size();
        if (reply.size() != want || reply[3] != 0xFE)
            return false;
        if (data)
            data->assign(reply.begin() + 4, reply.end() - 2);
        return true;
    }

    bool ProgramAndVerify(std::uint32_t address, const Bytes& page)
    {
        Bytes load1{185};
        load1.insert(load1.end(), page.begin(), page.begin() + 185);
        Bytes load2{71};
        load2.insert(load2.end(), page.begin() + 185, page.end());
        Bytes first;
        Bytes second;
        return Exchange(Request(0x09, 0, load1), 0) && Exchange(Request(0x09, 185, load2), 0) &&
               Exchange(Request(0x0A, address, {}), 0) && Exchange(Request(0x08, address, {190}), 190, &first) &&
               Exchange(Request(0x08, address + 190, {66}), 66, &second) &&
               Bytes(page.begin(), page.begin() + 190) == first && Bytes(page.begin() + 190, page.end()) == second;
    }

    std::uint64_t WireBytes() const { return wireBytes_; }

private:
    int fd_;
    std::uint64_t wireBytes_ = 0;
};

bool Run(std::uint32_t baud, std::size_t pages)
{
    PtyPair pty;
    const int pc = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    Ez2181Simulator board;
    board.SetRecording(false);
    PtyLineServer runner(board, pty.masterFd(), baud);
    if (!pty.ok() || pc < 0 || !runner.Start()) {
        std::printf("cannot start the simulated board\n");
        return false;
    }
    Client client(pc);
    Bytes page(kPage);
    const Clock::time_point start = Clock::now();
    bool ok = true;
    for (std::size_t i = 0; i < pages && ok; ++i) {
        for (std::size_t k = 0; k < kPage; ++k)
            page[k] = static_cast<std::uint8_t>(i * 31 + k);
        ok = client.ProgramAndVerify(static_cast<std::uint32_t>(i * kPage), page);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    runner.Stop();
    ::close(pc);
    if (!ok) {
        std::printf("%u baud: a page failed\n", baud);
        return false;
    }
    const double flashBytes = static_cast<double>(pages * kPage);
    if (baud == 0) {
        std::printf("unpaced: %.0f KiB programmed and verified in %.3f s, %.0f flash bytes/s\n",
                    flashBytes / 1024, seconds, flashBytes / seconds);
        PrintResult("ez2181_sim_unpaced", flashBytes / seconds, "bytes/s");
    } else {
        const double wireMinimum = static_cast<double>(client.WireBytes()) * 10.0 / baud;
        std::printf("%u baud: %.3f s for %llu bytes on the line, wire minimum %.3f s, ratio %.4f (goal <= 1.05)\n",
                    baud, seconds, static_cast<unsigned long long>(client.WireBytes()), wireMinimum,
                    seconds / wireMinimum);
        PrintResult("ez2181_sim_38400", seconds, "s", "wire-minimum", wireMinimum);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const long kib = KibArgument(argc, argv, 16, "bench_ez2181_sim");
    if (kib == 0)
        return 2;
    const std::size_t pages = static_cast<std::size_t>(kib) * 1024 / kPage;
    return Run(0, pages) && Run(38400, pages) ? 0 : 1;
}
