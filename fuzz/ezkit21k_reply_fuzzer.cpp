// Fuzz target: the 21k EZ-KIT board's members against a line on which the
// monitor answers every packet with the fuzz input's bytes (FuzzInput layout:
// operation byte, 32-bit address or value, 16-bit count, then the words of a
// write; the rest is what the line carries back).
#include "fuzz/BoardFuzzing.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzReplyLine.h"
#include "monitor/boards/Ezkit21k.h"
#include "platform/tests/ScopedConfigHome.h"

using namespace BoardFuzzing;

namespace {

enum Operation : std::uint8_t { kReadDM,
                                kReadFloatDM,
                                kWriteDM,
                                kReadFlash,
                                kWriteFlash,
                                kResync,
                                kSetLockout,
                                kGetLockout,
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
    // Past the 256 values of the flash mailbox, so that its limit is met too.
    const std::int32_t count = in.Word16() % 300;
    Variant words = operation == kWriteDM ? WordArray(in, static_cast<std::size_t>(count) % 100) : Variant();
    Variant bytes = operation == kWriteFlash ? WordArray(in, static_cast<std::size_t>(count), 0xFF) : Variant();

    auto line = std::make_unique<FuzzReplyLine>();
    line->QueueInput(in.Rest());
    Ezkit21k board(std::move(line));

    switch (operation) {
    case kReadDM: CheckRead(board.ReadDM(address, count, 0, 0), static_cast<std::size_t>(count), board); break;
    case kReadFloatDM: CheckOutcome(board.ReadDM(address, count, 6, 0), board); break;
    case kWriteDM: CheckOutcome(board.WriteDM(address, words, 0, 0), board); break;
    case kReadFlash: CheckRead(board.ReadFlash(address, count), static_cast<std::size_t>(count), board); break;
    case kWriteFlash: CheckOutcome(board.WriteFlash(address, bytes), board); break;
    case kResync: CheckOutcome(board.ResyncComm(), board); break;
    case kSetLockout: CheckOutcome(board.SetLockout(address), board); break;
    case kGetLockout: {
        const Variant mask = board.GetLockout();
        CheckOutcome(mask, board);
        if (mask.vt() != VT_NULL)
            CheckRange(mask, 0, 3);
        break;
    }
    case kOperations: break;
    }
    return 0;
}
