// Fuzz target: the mixing console's Ping against a line that answers with the
// fuzz input's bytes.
#include "fuzz/BoardFuzzing.h"
#include "fuzz/FuzzReplyLine.h"
#include "monitor/boards/Faderbox.h"
#include "platform/tests/ScopedConfigHome.h"

#include <vector>

using namespace BoardFuzzing;

// The board opens COM1 through the port map: a map of its own, whose com1 leads the
// stand-in line somewhere, so that no port name can reach a real port.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static ScopedConfigHome home{"com1"};
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
