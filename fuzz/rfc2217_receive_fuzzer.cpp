// Fuzz target: the receive side of a network serial port (Rfc2217Protocol::Receive),
// after the client's greeting. Input: one byte that sets the piece size (1 to 16 bytes),
// then what the port server sends. The stream is taken once whole and once in pieces,
// and both must come out the same: the line's data, the answers owed to the peer, the
// server's answers (and where in the data each came) and modem state, and the count
// of dropped subnegotiations.
#include "fuzz/FuzzCheck.h"
#include "platform/Rfc2217Protocol.h"

#include <cstddef>
#include <cstdint>

namespace {

using Bytes = Rfc2217Protocol::Bytes;

struct Outcome {
    Rfc2217Protocol protocol;
    Bytes data;
    Bytes replies;
};

void Greet(Outcome& outcome)
{
    Bytes greeting;
    outcome.protocol.AppendGreeting(greeting);
}

void TakeReplies(Outcome& outcome)
{
    const Bytes replies = outcome.protocol.TakeReplies();
    outcome.replies.insert(outcome.replies.end(), replies.begin(), replies.end());
}

// Each answer is IAC, a verb and an option.
void CheckReplies(const Bytes& replies)
{
    FUZZ_CHECK(replies.size() % 3 == 0);
    for (std::size_t i = 0; i < replies.size(); i += 3) {
        FUZZ_CHECK(replies[i] == Rfc2217Protocol::kIac);
        FUZZ_CHECK(replies[i + 1] >= Rfc2217Protocol::kWill && replies[i + 1] <= Rfc2217Protocol::kDont);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::size_t piece = data[0] % 16 + 1;
    const std::uint8_t* stream = data + 1;
    const std::size_t length = size - 1;

    Outcome whole;
    Greet(whole);
    whole.protocol.Receive(stream, length, whole.data);
    TakeReplies(whole);

    Outcome pieces;
    Greet(pieces);
    for (std::size_t at = 0; at < length; at += piece) {
        const std::size_t count = length - at < piece ? length - at : piece;
        pieces.protocol.Receive(stream + at, count, pieces.data);
        TakeReplies(pieces);
    }

    FUZZ_CHECK(whole.data == pieces.data);
    FUZZ_CHECK(whole.replies == pieces.replies);
    FUZZ_CHECK(whole.data.size() <= length);
    // An answer takes a request of three bytes at least.
    FUZZ_CHECK(whole.replies.size() <= length);
    CheckReplies(whole.replies);

    const Rfc2217Protocol& a = whole.protocol;
    const Rfc2217Protocol& b = pieces.protocol;
    FUZZ_CHECK(a.ModemState() == b.ModemState());
    FUZZ_CHECK(a.Malformed() == b.Malformed());
    FUZZ_CHECK(a.ComPortAccepted() == b.ComPortAccepted());
    FUZZ_CHECK(a.ComPortRefused() == b.ComPortRefused());
    for (std::size_t command = 0; command < Rfc2217Protocol::kCommandCount; ++command) {
        const auto c = static_cast<Rfc2217Protocol::Command>(command);
        FUZZ_CHECK(a.Answers(c) == b.Answers(c));
        FUZZ_CHECK(a.LastAnswer(c) == b.LastAnswer(c));
        FUZZ_CHECK(a.DataBeforeLastAnswer(c) == b.DataBeforeLastAnswer(c));
        FUZZ_CHECK(a.DataBeforeLastAnswer(c) <= whole.data.size());
        FUZZ_CHECK(a.LastAnswer(c).size() <= Rfc2217Protocol::kLongestSubnegotiation);
    }
    const std::size_t rateLength = a.LastAnswer(Rfc2217Protocol::SetBaudRate).size();
    FUZZ_CHECK(rateLength == 0 || rateLength == 4);
    return 0;
}
