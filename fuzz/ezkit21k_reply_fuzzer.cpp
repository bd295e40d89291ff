// Fuzz target: the 21k EZ-KIT board's members against a line on which the
// monitor answers every packet with the fuzz input's bytes (FuzzInput layout:
// operation byte, 32-bit address or value, 16-bit count, then the words of a
// write; the rest is what the line carries back).
#include "fuzz/BoardFuzzing.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzReplyLine.h"
#include "fuzz/ReplySeeds.h"
#include "fuzz/SeedHeader.h"
#include "monitor/boards/Ezkit21k.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/ezkit21k/Ezkit21kSimulator.h"

#include <cstdlib>
#include <functional>

using namespace BoardFuzzing;
using namespace ReplySeeds;

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

namespace {

// The seeds: the simulated device's replies to each operation (fuzz/make-seeds.sh).
void WriteSeeds(const std::filesystem::path& corpus)
{
    const auto seed = [&corpus](const std::string& name, const SeedHeader& header, const std::function<void(Ezkit21k&)>& call) {
        Ezkit21kSimulator monitor;
        Bytes transcript;
        Ezkit21k board(std::make_unique<TranscriptLine>(Flattened(monitor), transcript));
        call(board);
        Save(corpus, "ezkit21k_reply_fuzzer", name, header.bytes, transcript);
    };
    seed("read-dm-4", SeedHeader().Byte(0).Word32(0x100).Word16(4), [](Ezkit21k& b) { b.ReadDM(0x100, 4, 0, 0); });
    seed("read-float-dm", SeedHeader().Byte(1).Word32(0x100).Word16(1), [](Ezkit21k& b) { b.ReadDM(0x100, 1, 6, 0); });
    seed("write-dm-3", SeedHeader().Byte(2).Word32(0x200).Word16(3).Word32(1).Word32(2).Word32(3), [](Ezkit21k& b) {
        Variant data = Values({1, 2, 3});
        b.WriteDM(0x200, data, 0, 0);
    });
    seed("read-flash-16", SeedHeader().Byte(3).Word32(0).Word16(16), [](Ezkit21k& b) { b.ReadFlash(0, 16); });
    seed("write-flash-4", SeedHeader().Byte(4).Word32(0x40).Word16(4).Byte(9).Byte(8).Byte(7).Byte(6), [](Ezkit21k& b) {
        Variant data = Values({9, 8, 7, 6});
        b.WriteFlash(0x40, data);
    });
    seed("resync", SeedHeader().Byte(5).Word32(0).Word16(0), [](Ezkit21k& b) { b.ResyncComm(); });
    seed("set-lockout", SeedHeader().Byte(6).Word32(1).Word16(0), [](Ezkit21k& b) { b.SetLockout(1); });
    seed("get-lockout", SeedHeader().Byte(7).Word32(0).Word16(0), [](Ezkit21k& b) { b.GetLockout(); });
}

}  // namespace

// The board opens COM1 through the port map: a map of its own, whose com1 leads the
// stand-in line somewhere, so that no port name can reach a real port.
// Run as `<target> -write_seeds=CORPUS`, it writes its seeds there and ends (ReplySeeds.h).
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static ScopedConfigHome home{"com1"};
    if (const auto corpus = ReplySeeds::FolderAsked(*argc, *argv)) {
        WriteSeeds(*corpus);
        std::exit(0);
    }
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
