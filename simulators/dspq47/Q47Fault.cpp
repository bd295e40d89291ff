#include "simulators/dspq47/Q47Fault.h"

const FaultTable<Q47FaultKind>& Q47Fault::Kinds()
{
    using Kind = Q47FaultKind;
    static const FaultTable<Q47FaultKind> kinds{
        {{"none", Kind::None, FaultValue::None},
         {"silence", Kind::Silence, FaultValue::None},
         {"wrong-ack", Kind::WrongAcknowledge, FaultValue::Optional, 0xFF, 0x15},
         {"stop-in-row", Kind::StopInRow, FaultValue::Required, 99},
         {"stop-after-rows", Kind::StopAfterRows, FaultValue::None},
         {"bad-checksum", Kind::BadChecksum, FaultValue::None}},
        {.requests = false, .wording = FaultWording::UnknownQuoted}};
    return kinds;
}

std::optional<Q47Fault> Q47Fault::Parse(std::string_view text)
{
    std::string mistake;
    const auto fault = Kinds().Read(std::string(text), mistake);
    if (!fault)
        return std::nullopt;
    return Q47Fault{fault->kind, fault->value.value_or(0)};
}
