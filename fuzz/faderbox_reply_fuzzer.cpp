// Fuzz target: the mixing console's Ping against a line that answers with the
// fuzz input's bytes.
#include "fuzz/BoardFuzzing.h"
#include "fuzz/FuzzReplyLine.h"
#include "fuzz/ReplySeeds.h"
#include "monitor/boards/Faderbox.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/faderbox/FaderboxSimulator.h"

#include <cstdlib>
#include <vector>

using namespace BoardFuzzing;
using namespace ReplySeeds;

namespace {

// The seed: the console's reply to a ping (fuzz/make-seeds.sh).
void WriteSeeds(const std::filesystem::path& corpus)
{
    FaderboxSimulator console;
    Bytes transcript;
    Faderbox box(std::make_unique<TranscriptLine>(Flattened(console), transcript));
    box.Ping();
    Save(corpus, "faderbox_reply_fuzzer", "ping", {}, transcript);
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
    auto line = std::make_unique<FuzzReplyLine>();
    line->QueueInput(std::vector<std::uint8_t>(data, data + size));
    Faderbox console(std::move(line));
    const Variant values = console.Ping();
    CheckRead(values, 2, console);
    if (values.vt() != VT_NULL) {
        CheckRange(values.array().at(0), 0, 65535);
        CheckRange(values.array().at(1), 0, 65535);
    }
    return 0;
}
