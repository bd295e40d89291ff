#include "monitor/boards/FaderboxLink.h"

#include "monitor/serial/SerialFailure.h"

FaderboxLink::FaderboxLink() : SerialPort(0) {}

FaderboxLink::FaderboxLink(std::unique_ptr<CommDevice> device) : SerialPort(0, std::move(device)) {}

LinkResult FaderboxLink::Ping(std::uint16_t& first, std::uint16_t& second)
{
    return SerialFailure::Catch([&]() -> LinkResult {
        PurgeInput();
        const std::uint8_t request[] = {kStart, addressByte_, kPing, 0x00};
        WriteBytes(4, request);
        if (ReadByte() != kStart)
            return {LinkResult::WrongStart};
        ReadByte();
        if (ReadByte() != kPingReply)
            return {LinkResult::WrongStatus};
        first = ReadWord16();
        second = ReadWord16();
        return {};
    });
}
