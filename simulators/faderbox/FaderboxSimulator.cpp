#include "simulators/faderbox/FaderboxSimulator.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kGarbageByte = 0x33;
constexpr std::size_t kRequestBytes = 4;

}  // namespace

FaderboxSimulator::FaderboxSimulator(std::uint8_t address) : address_(address) {}

void FaderboxSimulator::Receive(std::span<const std::uint8_t> bytes)
{
    std::lock_guard lock(mutex_);
    for (std::uint8_t byte : bytes) {
        if (recording_)
            receivedBytes_.push_back(byte);
        if (request_.empty() && byte != kStart)
            continue;
        request_.push_back(byte);
        if (request_.size() == kRequestBytes)
            FinishRequest();
    }
}

std::vector<ByteDevice::Output> FaderboxSimulator::TakeOutput()
{
    std::lock_guard lock(mutex_);
    std::vector<Output> taken;
    taken.swap(output_);
    return taken;
}

void FaderboxSimulator::FinishRequest()
{
    const bool ping = request_[1] == address_ && request_[2] == kPing && request_[3] == 0x00;
    request_.clear();
    if (ping) {
        ++pings_;
        QueuePingReply();
    }
}

void FaderboxSimulator::QueuePingReply()
{
    bool silent = false;
    const std::vector<FaderboxFault> due = faults_.Next(silent);
    if (silent)
        return;
    Output output;
    output.bytes = {kStart,
                    address_,
                    kPingReply,
                    static_cast<std::uint8_t>(firstValue_),
                    static_cast<std::uint8_t>(firstValue_ >> 8),
                    static_cast<std::uint8_t>(secondValue_),
                    static_cast<std::uint8_t>(secondValue_ >> 8)};
    std::size_t keep = output.bytes.size();
    std::size_t garbage = 0;
    for (const FaderboxFault& fault : due) {
        switch (fault.kind) {
        case FaderboxFaultKind::Silence:
            break;
        case FaderboxFaultKind::WrongFirstByte:
            output.bytes[0] = static_cast<std::uint8_t>(fault.value.value_or(0x5A));
            break;
        case FaderboxFaultKind::WrongThirdByte:
            output.bytes[2] = static_cast<std::uint8_t>(fault.value.value_or(0x80));
            break;
        case FaderboxFaultKind::ShortReply:
            keep = std::min<std::size_t>(keep, fault.value.value_or(4));
            break;
        case FaderboxFaultKind::Garbage:
            garbage = fault.value.value_or(3);
            break;
        case FaderboxFaultKind::Late:
            output.late = true;
            break;
        }
    }
    output.bytes.resize(keep);
    output.bytes.insert(output.bytes.end(), garbage, kGarbageByte);
    output_.push_back(std::move(output));
}

void FaderboxSimulator::SetPingValues(std::uint16_t first, std::uint16_t second)
{
    std::lock_guard lock(mutex_);
    firstValue_ = first;
    secondValue_ = second;
}

void FaderboxSimulator::InjectFault(const FaderboxFault& fault)
{
    std::lock_guard lock(mutex_);
    faults_.Add(fault);
}

void FaderboxSimulator::ClearFaults()
{
    std::lock_guard lock(mutex_);
    faults_.Clear();
}

std::size_t FaderboxSimulator::PingsReceived() const
{
    std::lock_guard lock(mutex_);
    return pings_;
}

std::vector<std::uint8_t> FaderboxSimulator::ReceivedBytes() const
{
    std::lock_guard lock(mutex_);
    return receivedBytes_;
}

void FaderboxSimulator::SetRecording(bool on)
{
    std::lock_guard lock(mutex_);
    recording_ = on;
}
