// Fuzz target: the mixing console's Ping against a line that answers with the
// fuzz input's bytes.
#include "fuzz/BoardFuzzing.h"
#include "fuzz/FuzzReplyLine.h"
#include "monitor/boards/Faderbox.h"

#include <vector>

using namespace BoardFuzzing;

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
