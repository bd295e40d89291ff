#include "monitor/boards/FaderboxPort.h"

FaderboxPort::FaderboxPort() : SerialPort(0) {}

FaderboxPort::FaderboxPort(std::unique_ptr<CommDevice> device) : SerialPort(0, std::move(device)) {}

FaderboxPort::PingReply FaderboxPort::Ping(std::uint16_t& first, std::uint16_t& second)
{
    PurgeInput();
    const std::uint8_t request[] = {kStart, addressByte_, kPing, 0x00};
    WriteBytes(4, request);
    if (ReadByte() != kStart)
        return PingReply::WrongStart;
    ReadByte();
    if (ReadByte() != kPingReply)
        return PingReply::WrongReplyCode;
    first = ReadWord16();
    second = ReadWord16();
    return PingReply::Ok;
}
