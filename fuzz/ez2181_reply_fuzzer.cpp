// Fuzz target: the EZ-KIT 2181 board's members against a line on which the
// board answers every request with the fuzz input's bytes. The input starts
// with the member to call and its arguments (FuzzInput layout: operation
// byte, 32-bit address, 16-bit count, then the words of a write); the rest is
// what the line carries back.
#include "fuzz/BoardFuzzing.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzReplyLine.h"
#include "monitor/boards/Ez2181.h"
#include "platform/tests/FakeClock.h"
#include "platform/tests/ScopedConfigHome.h"

using namespace BoardFuzzing;

namespace {

enum Operation : std::uint8_t { kReset,
                                kRun,
                                kPowerOn,
                                kReadDM,
                                kReadPM,
                                kReadIO,
                                kWriteDM,
                                kWritePM,
                                kWriteIO,
                                kReadFlash,
                                kWriteFlash,
                                kOperations };

}  // namespace

// The board opens COM1 through the port map: a map of its own, whose com1 leads the
// stand-in line somewhere, so that no port name can reach a real port.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static ScopedConfigHome home{"com1"};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const auto operation = static_cast<Operation>(in.Byte() % kOperations);
    const auto address = static_cast<std::int32_t>(in.Word32());
    // Enough for several frames of words (40 a frame) or flash bytes (190 a frame).
    const std::int32_t count = in.Word16() % 600;
    Variant words = operation >= kWriteDM && operation <= kWriteIO ? WordArray(in, static_cast<std::size_t>(count) % 100)
                                                                   : Variant();
    Variant bytes = operation == kWriteFlash ? WordArray(in, static_cast<std::size_t>(count) % 400, 0xFF) : Variant();

    auto line = std::make_unique<FuzzReplyLine>();
    line->QueueInput(in.Rest());
    FakeClock clock;
    Ez2181 board(std::move(line), clock);

    switch (operation) {
    case kReset: CheckOutcome(board.Reset(0), board); break;
    case kRun: CheckOutcome(board.Run(address), board); break;
    case kPowerOn: CheckOutcome(board.PowerOn(), board); break;
    case kReadDM: CheckRead(board.ReadDM(address, count, 0, 0), static_cast<std::size_t>(count), board); break;
    case kReadPM: CheckRead(board.ReadPM(address, count, 0, 0), static_cast<std::size_t>(count), board); break;
    case kReadIO: CheckRead(board.ReadIO(address, count), static_cast<std::size_t>(count), board); break;
    case kWriteDM: CheckOutcome(board.WriteDM(address, words, 0, 0), board); break;
    case kWritePM: CheckOutcome(board.WritePM(address, words, 0, 0), board); break;
    case kWriteIO: CheckOutcome(board.WriteIO(address, words), board); break;
    case kReadFlash: CheckRead(board.ReadFlash(address, count), static_cast<std::size_t>(count), board); break;
    case kWriteFlash: CheckOutcome(board.WriteFlash(address, bytes), board); break;
    case kOperations: break;
    }
    return 0;
}
