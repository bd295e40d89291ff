#include "monitor/serial/Sport.h"

#include <vector>

#include "automation/core/SafeArray.h"
#include "automation/core/VariantConversion.h"
#include "monitor/core/BoardTexts.h"
#include "monitor/serial/SerialFailure.h"

const DispatchMap& Sport::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Sport, AutoBase>()
                                       .Property("EndianMode", &Sport::GetEndianMode, &Sport::SetEndianMode)
                                       .WriteOnlyProperty("DTR", &Sport::SetDTR)
                                       .WriteOnlyProperty("RTS", &Sport::SetRTS)
                                       .Property("PortOpen", &Sport::GetPortOpen, &Sport::SetPortOpen)
                                       .Property("CommPort", &Sport::GetCommPort, &Sport::SetCommPort)
                                       .WriteOnlyProperty("Output", &Sport::SetOutput)
                                       .ReadOnlyProperty("Input", &Sport::GetInput)
                                       .Property("CTSFlowCtrl", &Sport::GetCTSFlowCtrl, &Sport::SetCTSFlowCtrl)
                                       .ReadOnlyProperty("CTS", &Sport::GetCTS)
                                       .ReadOnlyProperty("DSR", &Sport::GetDSR)
                                       .Property("baud", &Sport::GetBaud, &Sport::SetBaud)
                                       .Property("RTSFlowCtrl", &Sport::GetRTSFlowCtrl, &Sport::SetRTSFlowCtrl)
                                       .Method("SendBytes", &Sport::SendBytes)
                                       .Method("GetBytes", &Sport::GetBytes)
                                       .Method("RxCharReady", &Sport::RxCharReady)
                                       .Build();
    return map;
}

// A failed transfer is recorded with code 0 and the line's text.
constexpr FailureText kFailures[] = {
    {LinkResult::SerialFailure, nullptr},
};

std::span<const FailureText> Sport::FailureTexts() const
{
    return kFailures;
}

std::string Sport::LineFailureText(const LinkResult& failure) const
{
    return SerialFailure::Text(failure.code, *port_);
}

Sport::Sport() : port_(std::make_unique<SerialPort>(0)) {}

Sport::Sport(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}

std::int16_t Sport::GetEndianMode() const { return port_->GetEndianMode() != 0 ? 1 : 0; }

void Sport::SetEndianMode(std::int16_t mode) { port_->SetEndianMode(mode != 0 ? 1 : 0); }

void Sport::SetDTR(bool on) { port_->SetDtr(on); }

void Sport::SetRTS(bool on) { port_->SetRts(on); }

bool Sport::GetPortOpen() const { return port_->IsOpen(); }

void Sport::SetPortOpen(bool open)
{
    if (open)
        port_->Open();
    else
        port_->Close();
}

std::int16_t Sport::GetCommPort() const { return port_->GetPort(); }

void Sport::SetCommPort(std::int16_t number) { port_->SetPort(number); }

void Sport::SetOutput(const std::string& text)
{
    const LinkResult outcome = SerialFailure::Catch([&] {
        for (char c : text) {
            if (c == '\0')
                break;
            port_->WriteByte(static_cast<std::uint8_t>(c));
        }
        return LinkResult{};
    });
    if (!outcome.ok()) {
        // A property put has no result to carry the failure; the error
        // properties keep it, and under error method 2 the call fails.
        Variant ignored;
        SetError(ignored, outcome);
    }
}

std::string Sport::GetInput()
{
    std::string received;
    std::uint8_t byte = 0;
    while (received.size() < kInputLimit && port_->TryReadByte(&byte))
        received.push_back(static_cast<char>(byte));
    return received;
}

bool Sport::GetCTSFlowCtrl() { return port_->GetCtsFlow() != 0; }

void Sport::SetCTSFlowCtrl(bool on) { port_->SetCtsFlow(on); }

bool Sport::GetCTS() { return port_->GetCTS() != 0; }

bool Sport::GetDSR() { return port_->GetDSR() != 0; }

std::int32_t Sport::GetBaud() { return static_cast<std::int32_t>(port_->GetBaudRate()); }

void Sport::SetBaud(std::int32_t rate) { port_->SetBaudRate(static_cast<std::uint32_t>(rate)); }

std::int32_t Sport::GetRTSFlowCtrl() { return port_->GetRtsControl(); }

void Sport::SetRTSFlowCtrl(std::int32_t mode) { port_->SetRtsControl(mode); }

Variant Sport::SendBytes(const Variant& data)
{
    Variant result = Variant::I4(0);
    std::vector<Variant> elements;
    if (ConvertToElements(data, VT_UI1, elements) != S_OK) {
        SetError(result, 0, BoardTexts::kNoDataAccess);
        return result;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(elements.size());
    for (const Variant& element : elements)
        bytes.push_back(element.ui1());
    return Result(SerialFailure::Catch([&] {
        port_->WriteBytes(static_cast<int>(bytes.size()), bytes.data());
        return LinkResult{};
    }));
}

Variant Sport::GetBytes(std::int32_t count)
{
    Variant result;
    if (count < 0 || count > kGetBytesLimit) {
        SetError(result, 0, BoardTexts::kNoDataAccess);
        return result;
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count));
    const LinkResult outcome = SerialFailure::Catch([&] {
        port_->ReadBytes(count, buffer.data());
        return LinkResult{};
    });
    if (!outcome.ok())
        return Fail(outcome);
    SafeArray bytes = SafeArray::Vector(VT_UI1, buffer.size());
    for (std::size_t i = 0; i < buffer.size(); ++i)
        bytes.set(i, Variant::UI1(buffer[i]));
    return Variant::Array(std::move(bytes));
}

Variant Sport::RxCharReady()
{
    std::uint8_t scratch = 0;
    return Variant::I4(port_->TryReadByte(&scratch) ? 1 : 0);
}
