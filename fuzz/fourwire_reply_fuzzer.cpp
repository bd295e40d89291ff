// Fuzz target: the four-wire 21xx board's members against a target whose
// status register (its data and clock lines) reads as the fuzz input's
// bytes, one a reading, until they run out and the port is gone. The input
// starts with the member, a 16-bit address, a count and the link's attempts
// (FuzzInput layout); a write's words follow; the rest is the status bytes.
// Waits run on a fake clock that moves on at each reading.
#include "fuzz/BoardFuzzing.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzStatusPort.h"
#include "fuzz/ReplySeeds.h"
#include "fuzz/SeedHeader.h"
#include "monitor/boards/FourWire21xx.h"
#include "platform/tests/FakeClock.h"
#include "platform/tests/RecordingNotifier.h"
#include "simulators/fourwire/FourWireTarget.h"
#include "simulators/fourwire/FourWireTargetPort.h"

#include <cstdlib>
#include <functional>

using namespace BoardFuzzing;
using namespace ReplySeeds;

namespace {

enum Operation : std::uint8_t { kGetVer,
                                kPowerOn,
                                kReadDM,
                                kReadPM,
                                kReadIO,
                                kWriteDM,
                                kWritePM,
                                kReadFlash,
                                kWriteFlash,
                                kOperations };

constexpr std::uint64_t kClockStepMs = 50;
constexpr std::uint16_t kTimeoutMs = 200;

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

// The seeds: the simulated device's replies to each operation (fuzz/make-seeds.sh).
void WriteSeeds(const std::filesystem::path& corpus)
{
    const auto seed = [&corpus](const std::string& name, const SeedHeader& header, const std::function<void(FourWire21xx&)>& call) {
        // One clock for both ends, so that the target sees the start-up hold last as long as the PC holds it.
        FakeClock clock(kClockStepMs);
        FourWireTarget target(clock);
        Bytes transcript;
        FourWireLink link(LPTDigitalInstrument(std::make_unique<TranscriptPort>(target, transcript)), clock);
        link.SetTimeoutMs(kTimeoutMs);
        link.SetAttempts(1);
        FourWire21xx board(std::move(link));
        call(board);
        Save(corpus, "fourwire_reply_fuzzer", name, header.bytes, transcript);
    };
    seed("get-ver", SeedHeader().Byte(0).Word16(0).Byte(0).Byte(0), [](FourWire21xx& b) { b.GetVer(); });
    seed("power-on", SeedHeader().Byte(1).Word16(0).Byte(0).Byte(0), [](FourWire21xx& b) { b.PowerOn(); });
    seed("read-dm-2", SeedHeader().Byte(2).Word16(0x10).Byte(1).Byte(0), [](FourWire21xx& b) { b.ReadDM(0x10, 2, 0, 0); });
    seed("read-pm-1", SeedHeader().Byte(3).Word16(0x20).Byte(0).Byte(0), [](FourWire21xx& b) { b.ReadPM(0x20, 1, 0, 0); });
    seed("write-dm-1", SeedHeader().Byte(5).Word16(0x30).Byte(0).Byte(0).Word32(0x1234), [](FourWire21xx& b) {
        Variant data = Values({0x1234});
        b.WriteDM(0x30, data, 0, 0);
    });
    seed("write-pm-1", SeedHeader().Byte(6).Word16(0x40).Byte(0).Byte(0).Word32(0xABCDEF), [](FourWire21xx& b) {
        Variant data = Values({0xABCDEF});
        b.WritePM(0x40, data, 0, 0);
    });
}

}  // namespace

// Run as `fourwire_reply_fuzzer -write_seeds=CORPUS`, it writes its seeds there and
// ends (ReplySeeds.h).
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (const auto corpus = ReplySeeds::FolderAsked(*argc, *argv)) {
        WriteSeeds(*corpus);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static RecordingNotifier notifier;
    Notifier::SetCurrent(&notifier);
    notifier.Clear();

    FuzzInput in(data, size);
    const auto operation = static_cast<Operation>(in.Byte() % kOperations);
    const std::int32_t address = in.Word16();
    const std::int32_t count = 1 + in.Byte() % 32;
    const auto attempts = static_cast<std::uint16_t>(1 + in.Byte() % 5);
    Variant words;
    if (operation == kWriteDM)
        words = WordArray(in, static_cast<std::size_t>(count), 0x7FFF);
    else if (operation == kWritePM)
        words = WordArray(in, static_cast<std::size_t>(count), 0xFFFFFF);
    else if (operation == kWriteFlash)
        words = WordArray(in, static_cast<std::size_t>(count), 0xFF);

    FakeClock clock(kClockStepMs);
    FourWireLink link(LPTDigitalInstrument(std::make_unique<FuzzStatusPort>(in.Rest())), clock);
    link.SetTimeoutMs(kTimeoutMs);
    link.SetAttempts(attempts);
    FourWire21xx board(std::move(link));

    switch (operation) {
    case kGetVer: CheckOutcome(board.GetVer(), board); break;
    case kPowerOn: CheckOutcome(board.PowerOn(), board); break;
    case kReadDM: CheckRead(board.ReadDM(address, count, 0, 0), static_cast<std::size_t>(count), board); break;
    case kReadIO: CheckRead(board.ReadIO(address, count), static_cast<std::size_t>(count), board); break;
    case kReadPM: {
        const Variant result = board.ReadPM(address, count, 0, 0);
        CheckRead(result, static_cast<std::size_t>(count), board);
        if (result.IsArray()) {
            for (const Variant& word : result.array().elements())
                CheckRange(word, 0, 0xFFFFFF);
        }
        break;
    }
    case kWriteDM: CheckOutcome(board.WriteDM(address, words, 0, 0), board); break;
    case kWritePM: CheckOutcome(board.WritePM(address, words, 0, 0), board); break;
    case kReadFlash: CheckRead(board.ReadFlash(address, count), static_cast<std::size_t>(count), board); break;
    case kWriteFlash: CheckOutcome(board.WriteFlash(address, words), board); break;
    case kOperations: break;
    }
    // Every transfer ends with both of the PC's lines low, unless the port went away.
    if (board.Link().port().HasPortAccess() && operation != kPowerOn)
        FUZZ_CHECK((board.Link().port().OutputShadow() & 0x03) == 0);
    Notifier::SetCurrent(nullptr);
    return 0;
}
