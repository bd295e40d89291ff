// Fuzz target: the EZ-KIT 2181 board's members against a line on which the
// board answers every request with the fuzz input's bytes. The input starts
// with the member to call and its arguments (FuzzInput layout: operation
// byte, 32-bit address, 16-bit count, then the words of a write); the rest is
// what the line carries back.
#include "fuzz/BoardFuzzing.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzReplyLine.h"
#include "fuzz/ReplySeeds.h"
#include "fuzz/SeedHeader.h"
#include "monitor/boards/Ez2181.h"
#include "platform/tests/FakeClock.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/ez2181/Ez2181Simulator.h"

#include <cstdlib>
#include <functional>

using namespace BoardFuzzing;
using namespace ReplySeeds;

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

namespace {

// The seeds: the simulated device's replies to each operation (fuzz/make-seeds.sh).
void WriteSeeds(const std::filesystem::path& corpus)
{
    const auto seed = [&corpus](const std::string& name, const SeedHeader& header, const std::function<void(Ez2181&, Ez2181Simulator&)>& call) {
        Ez2181Simulator board;
        Bytes transcript;
        FakeClock clock;
        auto line = std::make_unique<TranscriptLine>(Flattened(board), transcript);
        Ez2181 ez(std::move(line), clock);
        call(ez, board);
        Save(corpus, "ez2181_reply_fuzzer", name, header.bytes, transcript);
    };
    seed("reset", SeedHeader().Byte(0).Word32(0).Word16(0), [](Ez2181& ez, Ez2181Simulator&) { ez.Reset(0); });
    seed("run", SeedHeader().Byte(1).Word32(1).Word16(0), [](Ez2181& ez, Ez2181Simulator&) { ez.Run(1); });
    seed("power-on", SeedHeader().Byte(2).Word32(0).Word16(0), [](Ez2181& ez, Ez2181Simulator& board) {
        board.PowerUp();
        ez.PowerOn();
    });
    seed("read-dm-45", SeedHeader().Byte(3).Word32(0x10).Word16(45), [](Ez2181& ez, Ez2181Simulator&) { ez.ReadDM(0x10, 45, 0, 0); });
    seed("read-pm-3", SeedHeader().Byte(4).Word32(0).Word16(3), [](Ez2181& ez, Ez2181Simulator&) { ez.ReadPM(0, 3, 0, 0); });
    seed("read-io-2", SeedHeader().Byte(5).Word32(4).Word16(2), [](Ez2181& ez, Ez2181Simulator&) { ez.ReadIO(4, 2); });
    seed("write-dm-3", SeedHeader().Byte(6).Word32(8).Word16(3).Word32(1).Word32(2).Word32(0xFFFF),
         [](Ez2181& ez, Ez2181Simulator&) {
             Variant data = Values({1, 2, 0xFFFF});
             ez.WriteDM(8, data, 0, 0);
         });
    seed("write-io-2", SeedHeader().Byte(8).Word32(1).Word16(2).Word32(7).Word32(9), [](Ez2181& ez, Ez2181Simulator&) {
        Variant data = Values({7, 9});
        ez.WriteIO(1, data);
    });
    seed("read-flash-200", SeedHeader().Byte(9).Word32(0x100).Word16(200),
         [](Ez2181& ez, Ez2181Simulator&) { ez.ReadFlash(0x100, 200); });
    seed("write-flash-4", SeedHeader().Byte(10).Word32(0x20).Word16(4).Byte(1).Byte(2).Byte(3).Byte(4),
         [](Ez2181& ez, Ez2181Simulator&) {
             Variant data = Values({1, 2, 3, 4});
             ez.WriteFlash(0x20, data);
         });
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
