// Writes the seed inputs of the receive fuzz targets into the corpus folder
// given: for the configurator's receive side, what the simulated unit sends;
// for the network port's receive side, what Debian's ser2net sent in recorded
// sessions. Run by fuzz/make-seeds.sh; the boards' reply targets write their
// own (ReplySeeds.h).
#include "configurator/UnitTransfer.h"
#include "fuzz/ReplySeeds.h"
#include "fuzz/TranscriptLine.h"
#include "platform/PtyPair.h"
#include "platform/Rfc2217Protocol.h"
#include "platform/tests/ScopedConfigHome.h"
#include "platform/Ser2netServer.h"
#include "simulators/dspq47/Q47Unit.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path corpus;
int written = 0;

void Save(const std::string& target, const std::string& name, const Bytes& header, const Bytes& transcript)
{
    ReplySeeds::Save(corpus, target, name, header, transcript);
    ++written;
}

void Q47Seeds()
{
    class Silent : public MessagePresenter {
    public:
        void Present(const std::string&, MessageIcon) override {}
    } presenter;
    Q47Unit unit;
    Bytes transcript;
    TranscriptLine line(
        [&unit](std::span<const std::uint8_t> bytes) {
            Bytes out;
            for (std::uint8_t b : bytes) {
                const Bytes answer = unit.Receive(b);
                out.insert(out.end(), answer.begin(), answer.end());
            }
            return out;
        },
        transcript);
    UnitTransfer transfer(presenter, line);
    UnitConfig config;
    transfer.ReceiveFromUnit(config, 0);
    Save("q47_receive_fuzzer", "factory-stream", {}, transcript);
}

// A raw connection to ser2net that keeps everything the server sends.
class RecordedSession {
public:
    explicit RecordedSession(std::uint16_t port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~RecordedSession() { ::close(fd_); }

    void Send(const Bytes& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Keeps what comes until the server has been quiet for `quietMs` or hangs up.
    void Collect(int quietMs)
    {
        std::uint8_t buffer[4096];
        pollfd p{fd_, POLLIN, 0};
        while (::poll(&p, 1, quietMs) == 1) {
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            received.insert(received.end(), buffer, buffer + got);
        }
    }
    Bytes received;

private:
    int fd_ = -1;
};

// Input layout of rfc2217_receive_fuzzer: the piece size, then the server's bytes.
void Rfc2217Seeds()
{
    using P = Rfc2217Protocol;
    if (Ser2netServer::Program().empty()) {
        std::fprintf(stderr, "make_fuzz_seeds: ser2net is not installed, no rfc2217_receive_fuzzer seeds\n");
        return;
    }
    PtyPair pty;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "make-fuzz-seeds-ser2net";
    std::filesystem::create_directories(folder);
    Ser2netServer ser2net(pty.slavePath(), folder.string());
    if (!pty.ok() || !ser2net.Start()) {
        std::fprintf(stderr, "make_fuzz_seeds: ser2net did not start, no rfc2217_receive_fuzzer seeds\n");
        return;
    }
    Bytes everyValue;
    for (int value = 0; value < 256; ++value) everyValue.push_back(static_cast<std::uint8_t>(value));
    everyValue.insert(everyValue.end(), {0xff, 0xff, 0xfa, 0xff, 0xf0});

    RecordedSession session(ser2net.Port());
    P protocol;
    Bytes out;
    protocol.AppendGreeting(out);
    P::AppendCommand(out, P::SetModemStateMask, {0xf0});
    P::AppendCommand(out, P::SetLineStateMask, {0});
    P::AppendBaudRate(out, 0);
    P::AppendCommand(out, P::SetDataSize, {0});
    P::AppendCommand(out, P::SetParity, {0});
    P::AppendCommand(out, P::SetStopSize, {0});
    session.Send(out);
    session.Collect(300);
    Save("rfc2217_receive_fuzzer", "opening", {0x0f}, session.received);

    out.clear();
    P::AppendBaudRate(out, 38400);
    P::AppendCommand(out, P::SetDataSize, {8});
    P::AppendCommand(out, P::SetParity, {3});
    P::AppendCommand(out, P::SetStopSize, {2});
    P::AppendCommand(out, P::SetControl, {P::OutboundFlowNone});
    P::AppendCommand(out, P::SetControl, {P::RtsOff});
    P::AppendCommand(out, P::PurgeData, {P::PurgeReceived});
    session.received.clear();
    session.Send(out);
    session.Collect(300);
    Save("rfc2217_receive_fuzzer", "settings", {0x03}, session.received);

    session.received.clear();
    pty.Send(everyValue);
    session.Collect(300);
    Save("rfc2217_receive_fuzzer", "every-byte-value", {0x00}, session.received);

    // The port is taken: a second connection is told so and hung up on.
    RecordedSession second(ser2net.Port());
    second.Collect(1000);
    Save("rfc2217_receive_fuzzer", "port-in-use", {0x07}, second.received);
    ser2net.Kill();
    std::filesystem::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_FOLDER\n");
        return 2;
    }
    corpus = argv[1];
    // The boards open COM1 through the port map: one of this run's own, whose com1 leads
    // the transcript lines somewhere and never to the machine's own port.
    const ScopedConfigHome home{"com1"};
    Q47Seeds();
    Rfc2217Seeds();
    std::printf("make_fuzz_seeds: %d seeds written under %s\n", written, argv[1]);
    return 0;
}
