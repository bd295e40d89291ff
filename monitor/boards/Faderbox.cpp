#include "monitor/boards/Faderbox.h"

Faderbox::Faderbox() : SerialBoard(kBaudRate) {}

Faderbox::Faderbox(std::unique_ptr<CommDevice> device) : SerialBoard(kBaudRate, std::move(device)) {}

const DispatchMap& Faderbox::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Faderbox, Ad21k>()
                                       .Method("SetBaud", &Faderbox::SetBaud)                     // 1
                                       .Method("Ping", &Faderbox::Ping)                           // 2
                                       .Property("Port", &Faderbox::GetPort, &Faderbox::SetPort)  // 3
                                       .Build();
    return map;
}

// The one table of this console's failures.
constexpr FailureText kFailures[] = {
    {LinkResult::WrongStart, "Ping reply does not start with 0xA5"},
    {LinkResult::WrongStatus, "Ping reply code is not 0x7F"},
};

std::span<const FailureText> Faderbox::FailureTexts() const
{
    return kFailures;
}

Variant Faderbox::Ping()
{
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    const LinkResult outcome = link_.Ping(first, second);
    if (!outcome.ok())
        return Fail(outcome);
    SafeArray values = SafeArray::Vector(VT_I4, 2);
    values.set(0, Variant::I4(first));
    values.set(1, Variant::I4(second));
    return Variant::Array(std::move(values));
}
