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
#include "monitor/boards/FourWire21xx.h"
#include "platform/tests/FakeClock.h"
#include "platform/tests/RecordingNotifier.h"

using namespace BoardFuzzing;

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

}  // namespace

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
