// Writes the seed inputs of the reply fuzz targets into the corpus folder
// given: for each, the member called and its arguments in the target's input
// layout, followed by the bytes that the simulated device answered when the
// real board class made that call; for the network port's receive side, what
// Debian's ser2net sent in recorded sessions. Run by fuzz/make-seeds.sh.
#include "configurator/UnitTransfer.h"
#include "monitor/boards/Ez2181.h"
#include "monitor/boards/Ezkit21k.h"
#include "monitor/boards/Faderbox.h"
#include "monitor/boards/FourWire21xx.h"
#include "platform/tests/FakeClock.h"
#include "platform/tests/FakeCommDevice.h"
#include "platform/PtyPair.h"
#include "platform/Rfc2217Protocol.h"
#include "platform/tests/ScopedConfigHome.h"
#include "platform/Ser2netServer.h"
#include "simulators/dspq47/Q47Unit.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ezkit21k/Ezkit21kSimulator.h"
#include "simulators/faderbox/FaderboxSimulator.h"
#include "simulators/fourwire/FourWireTarget.h"
#include "simulators/fourwire/FourWireTargetPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
// Takes what the PC wrote (nothing on a read) and gives what the device sent meanwhile.
using Device = std::function<Bytes(std::span<const std::uint8_t>)>;

// A line to a simulated device that keeps every byte the PC read, in order:
// exactly what a reply fuzz target's line must hand out to repeat the call.
class TranscriptLine : public FakeCommDevice {
public:
    TranscriptLine(Device device, Bytes& transcript) : device_(std::move(device)), transcript_(transcript) {}

    long Write(const std::uint8_t* data, std::size_t count, std::uint32_t timeoutMs = 0) override
    {
        const long written = FakeCommDevice::Write(data, count, timeoutMs);
        QueueInput(device_(std::span(data, count)));
        return written;
    }
    long Read(std::uint8_t* buffer, std::size_t count) override
    {
        QueueInput(device_({}));
        const long read = FakeCommDevice::Read(buffer, count);
        if (read > 0)
            transcript_.insert(transcript_.end(), buffer, buffer + read);
        return read;
    }

private:
    Device device_;
    Bytes& transcript_;
};

// Keeps the status bytes the link read from the simulated four-wire target.
class TranscriptPort : public FourWireTargetPort {
public:
    TranscriptPort(FourWireTarget& target, Bytes& transcript) : FourWireTargetPort(target), transcript_(transcript) {}

    bool ReadStatus(std::uint8_t& status) override
    {
        const bool read = FourWireTargetPort::ReadStatus(status);
        if (read)
            transcript_.push_back(status);
        return read;
    }

private:
    Bytes& transcript_;
};

// The start of an input in the FuzzInput layout.
class Header {
public:
    Header& Byte(std::uint8_t value)
    {
        bytes.push_back(value);
        return *this;
    }
    Header& Word16(std::uint16_t value) { return Byte(value & 0xFF).Byte(value >> 8); }
    Header& Word32(std::uint32_t value) { return Word16(value & 0xFFFF).Word16(value >> 16); }
    Bytes bytes;
};

std::filesystem::path corpus;
int written = 0;

void Save(const std::string& target, const std::string& name, const Bytes& header, const Bytes& transcript)
{
    std::filesystem::create_directories(corpus / target);
    std::ofstream file(corpus / target / name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    file.write(reinterpret_cast<const char*>(transcript.data()), static_cast<std::streamsize>(transcript.size()));
    ++written;
}

Device Flattened(ByteDevice& device)
{
    return [&device](std::span<const std::uint8_t> bytes) {
        if (!bytes.empty())
            device.Receive(bytes);
        Bytes out;
        for (const ByteDevice::Output& piece : device.TakeOutput())
            out.insert(out.end(), piece.bytes.begin(), piece.bytes.end());
        return out;
    };
}

Variant Values(std::initializer_list<std::int32_t> values)
{
    SafeArray array = SafeArray::Vector(VT_I4, values.size());
    std::size_t i = 0;
    for (std::int32_t value : values)
        array.set(i++, Variant::I4(value));
    return Variant::Array(std::move(array));
}

// Operation numbers and layouts as in ez2181_reply_fuzzer.cpp.
void Ez2181Seeds()
{
    const auto seed = [](const std::string& name, const Header& header, const std::function<void(Ez2181&, Ez2181Simulator&)>& call) {
        Ez2181Simulator board;
        Bytes transcript;
        FakeClock clock;
        auto line = std::make_unique<TranscriptLine>(Flattened(board), transcript);
        Ez2181 ez(std::move(line), clock);
        call(ez, board);
        Save("ez2181_reply_fuzzer", name, header.bytes, transcript);
    };
    seed("reset", Header().Byte(0).Word32(0).Word16(0), [](Ez2181& ez, Ez2181Simulator&) { ez.Reset(0); });
    seed("run", Header().Byte(1).Word32(1).Word16(0), [](Ez2181& ez, Ez2181Simulator&) { ez.Run(1); });
    seed("power-on", Header().Byte(2).Word32(0).Word16(0), [](Ez2181& ez, Ez2181Simulator& board) {
        board.PowerUp();
        ez.PowerOn();
    });
    seed("read-dm-45", Header().Byte(3).Word32(0x10).Word16(45), [](Ez2181& ez, Ez2181Simulator&) { ez.ReadDM(0x10, 45, 0, 0); });
    seed("read-pm-3", Header().Byte(4).Word32(0).Word16(3), [](Ez2181& ez, Ez2181Simulator&) { ez.ReadPM(0, 3, 0, 0); });
    seed("read-io-2", Header().Byte(5).Word32(4).Word16(2), [](Ez2181& ez, Ez2181Simulator&) { ez.ReadIO(4, 2); });
    seed("write-dm-3", Header().Byte(6).Word32(8).Word16(3).Word32(1).Word32(2).Word32(0xFFFF),
         [](Ez2181& ez, Ez2181Simulator&) {
             Variant data = Values({1, 2, 0xFFFF});
             ez.WriteDM(8, data, 0, 0);
         });
    seed("write-io-2", Header().Byte(8).Word32(1).Word16(2).Word32(7).Word32(9), [](Ez2181& ez, Ez2181Simulator&) {
        Variant data = Values({7, 9});
        ez.WriteIO(1, data);
    });
    seed("read-flash-200", Header().Byte(9).Word32(0x100).Word16(200),
         [](Ez2181& ez, Ez2181Simulator&) { ez.ReadFlash(0x100, 200); });
    seed("write-flash-4", Header().Byte(10).Word32(0x20).Word16(4).Byte(1).Byte(2).Byte(3).Byte(4),
         [](Ez2181& ez, Ez2181Simulator&) {
             Variant data = Values({1, 2, 3, 4});
             ez.WriteFlash(0x20, data);
         });
}

// Operation numbers and layouts as in ezkit21k_reply_fuzzer.cpp.
void Ezkit21kSeeds()
{
    const auto seed = [](const std::string& name, const Header& header, const std::function<void(Ezkit21k&)>& call) {
        Ezkit21kSimulator monitor;
        Bytes transcript;
        Ezkit21k board(std::make_unique<TranscriptLine>(Flattened(monitor), transcript));
        call(board);
        Save("ezkit21k_reply_fuzzer", name, header.bytes, transcript);
    };
    seed("read-dm-4", Header().Byte(0).Word32(0x100).Word16(4), [](Ezkit21k& b) { b.ReadDM(0x100, 4, 0, 0); });
    seed("read-float-dm", Header().Byte(1).Word32(0x100).Word16(1), [](Ezkit21k& b) { b.ReadDM(0x100, 1, 6, 0); });
    seed("write-dm-3", Header().Byte(2).Word32(0x200).Word16(3).Word32(1).Word32(2).Word32(3), [](Ezkit21k& b) {
        Variant data = Values({1, 2, 3});
        b.WriteDM(0x200, data, 0, 0);
    });
    seed("read-flash-16", Header().Byte(3).Word32(0).Word16(16), [](Ezkit21k& b) { b.ReadFlash(0, 16); });
    seed("write-flash-4", Header().Byte(4).Word32(0x40).Word16(4).Byte(9).Byte(8).Byte(7).Byte(6), [](Ezkit21k& b) {
        Variant data = Values({9, 8, 7, 6});
        b.WriteFlash(0x40, data);
    });
    seed("resync", Header().Byte(5).Word32(0).Word16(0), [](Ezkit21k& b) { b.ResyncComm(); });
    seed("set-lockout", Header().Byte(6).Word32(1).Word16(0), [](Ezkit21k& b) { b.SetLockout(1); });
    seed("get-lockout", Header().Byte(7).Word32(0).Word16(0), [](Ezkit21k& b) { b.GetLockout(); });
}

void FaderboxSeeds()
{
    FaderboxSimulator console;
    Bytes transcript;
    Faderbox box(std::make_unique<TranscriptLine>(Flattened(console), transcript));
    box.Ping();
    Save("faderbox_reply_fuzzer", "ping", {}, transcript);
}

// Operation numbers, layout, clock and time-out as in fourwire_reply_fuzzer.cpp.
void FourWireSeeds()
{
    const auto seed = [](const std::string& name, const Header& header, const std::function<void(FourWire21xx&)>& call) {
        // One clock for both ends, so that the target sees the start-up hold last as long as the PC holds it.
        FakeClock clock(50);
        FourWireTarget target(clock);
        Bytes transcript;
        FourWireLink link(LPTDigitalInstrument(std::make_unique<TranscriptPort>(target, transcript)), clock);
        link.SetTimeoutMs(200);
        link.SetAttempts(1);
        FourWire21xx board(std::move(link));
        call(board);
        Save("fourwire_reply_fuzzer", name, header.bytes, transcript);
    };
    seed("get-ver", Header().Byte(0).Word16(0).Byte(0).Byte(0), [](FourWire21xx& b) { b.GetVer(); });
    seed("power-on", Header().Byte(1).Word16(0).Byte(0).Byte(0), [](FourWire21xx& b) { b.PowerOn(); });
    seed("read-dm-2", Header().Byte(2).Word16(0x10).Byte(1).Byte(0), [](FourWire21xx& b) { b.ReadDM(0x10, 2, 0, 0); });
    seed("read-pm-1", Header().Byte(3).Word16(0x20).Byte(0).Byte(0), [](FourWire21xx& b) { b.ReadPM(0x20, 1, 0, 0); });
    seed("write-dm-1", Header().Byte(5).Word16(0x30).Byte(0).Byte(0).Word32(0x1234), [](FourWire21xx& b) {
        Variant data = Values({0x1234});
        b.WriteDM(0x30, data, 0, 0);
    });
    seed("write-pm-1", Header().Byte(6).Word16(0x40).Byte(0).Byte(0).Word32(0xABCDEF), [](FourWire21xx& b) {
        Variant data = Values({0xABCDEF});
        b.WritePM(0x40, data, 0, 0);
    });
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
    Ez2181Seeds();
    Ezkit21kSeeds();
    FaderboxSeeds();
    FourWireSeeds();
    Q47Seeds();
    Rfc2217Seeds();
    std::printf("make_fuzz_seeds: %d seeds written under %s\n", written, argv[1]);
    return 0;
}
