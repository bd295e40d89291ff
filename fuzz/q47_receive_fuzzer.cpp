// Fuzz target: the configurator's receive from a DSP-Q47 unit whose answer
// is the fuzz input. The record changes only with a complete stream whose
// checksum matches, and the port is closed after every outcome.
#include "configurator/ConfigStream.h"
#include "configurator/UnitTransfer.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzReplyLine.h"
#include "platform/tests/ScopedConfigHome.h"

#include <vector>

namespace {

class SilentPresenter : public MessagePresenter {
public:
    void Present(const std::string& text, MessageIcon) override { last = text; }
    std::string last;
};

}  // namespace

// The exchange opens Com1 through the port map: a map of its own, whose com1 leads the
// stand-in line somewhere, so that no port name can reach a real port.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static ScopedConfigHome home{"com1"};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzReplyLine line;
    line.QueueInput(std::vector<std::uint8_t>(data, data + size));
    SilentPresenter presenter;
    UnitTransfer transfer(presenter, line);

    UnitConfig config;
    config.morseText = "VARNIX";
    const UnitConfig before = config;
    const TransferResult result = transfer.ReceiveFromUnit(config, 0);

    FUZZ_CHECK(!line.IsOpen());
    FUZZ_CHECK(line.written() == std::vector<std::uint8_t>{UnitTransfer::kReceiveCommand});
    FUZZ_CHECK(!presenter.last.empty());
    if (result == TransferResult::Done) {
        FUZZ_CHECK(size >= ConfigStream::kStreamBytes);
        FUZZ_CHECK(presenter.last == UnitTransfer::kReceivedOk);
    } else {
        FUZZ_CHECK(result == TransferResult::Timeout || result == TransferResult::ChecksumError);
        FUZZ_CHECK(config == before);
    }
    return 0;
}
