// Fuzz target: the four-wire link's transfers against a target whose status
// register (its data and clock lines) reads as the fuzz input's bytes, one a
// read, until they run out and the port is gone. The input starts with the
// transfer, a 16-bit address, a count and the attempts (FuzzInput layout);
// a write's words follow; the rest is the status bytes. Waits run on a fake
// clock that moves on at each reading.
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzStatusPort.h"
#include "monitor/boards/FourWireLink.h"
#include "platform/FakeClock.h"
#include "platform/RecordingNotifier.h"

#include <vector>

namespace {

enum Operation : std::uint8_t { kGetVersion, kReadData, kReadProgram, kReadFlash, kWriteData, kWriteProgram,
                                kWriteFlash, kStartUp, kOperations };

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
    const std::uint16_t address = in.Word16();
    const std::size_t count = 1 + in.Byte() % 32;
    const std::uint16_t attempts = static_cast<std::uint16_t>(1 + in.Byte() % 5);
    std::vector<std::uint16_t> dataWords(count);
    std::vector<std::uint32_t> programWords(count);
    FourWireLink::FlashBlock block{};
    if (operation == kWriteData) {
        for (std::uint16_t& word : dataWords)
            word = in.Word16();
    } else if (operation == kWriteProgram) {
        for (std::uint32_t& word : programWords)
            word = in.Word32() & 0xFFFFFF;
    }

    FakeClock clock(kClockStepMs);
    FourWireLink link(LPTDigitalInstrument(std::make_unique<FuzzStatusPort>(in.Rest())), clock);
    link.SetTimeoutMs(kTimeoutMs);
    link.SetAttempts(attempts);

    std::uint16_t version = 0;
    switch (operation) {
    case kGetVersion: link.GetVersion(version); break;
    case kReadData: link.ReadDataWords(address, dataWords); break;
    case kReadProgram:
        if (link.ReadProgramWords(address, programWords)) {
            for (std::uint32_t word : programWords)
                FUZZ_CHECK(word <= 0xFFFFFF);
        }
        break;
    case kReadFlash: link.ReadFlashBlock(address, block); break;
    case kWriteData: link.WriteDataWords(address, dataWords); break;
    case kWriteProgram: link.WriteProgramWords(address, programWords); break;
    case kWriteFlash: link.WriteFlashBlock(address, block); break;
    case kStartUp: link.StartUp(version); break;
    case kOperations: break;
    }
    // Every transfer ends with both of the PC's lines low, unless the port went away.
    if (link.port().HasPortAccess() && operation != kStartUp)
        FUZZ_CHECK((link.port().OutputShadow() & 0x03) == 0);
    Notifier::SetCurrent(nullptr);
    return 0;
}
