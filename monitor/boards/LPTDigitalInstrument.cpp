#include "monitor/boards/LPTDigitalInstrument.h"

#include "platform/Notifier.h"

namespace {

constexpr std::uint8_t kInput0Bit = 0x80;  // BUSY, as read
constexpr std::uint8_t kInput1Bit = 0x40;  // ACK, inverted

}  // namespace

LPTDigitalInstrument::LPTDigitalInstrument()
{
    port_ = ParallelPort::Open(kPortName, accessError_);
    if (!port_)
        AnnounceNoAccess();
}

LPTDigitalInstrument::LPTDigitalInstrument(std::unique_ptr<ParallelPort> port, std::string accessError)
    : port_(std::move(port))
{
    if (!port_) {
        accessError_ = accessError.empty() ? "No parallel port was given" : std::move(accessError);
        AnnounceNoAccess();
    }
}

bool LPTDigitalInstrument::GetDigitalInput(std::uint8_t line)
{
    if (!port_) {
        Notifier::Current().Show(kAccessDeniedText, kInputCaption);
        return true;
    }
    if (line > 1) {
        Notifier::Current().Show(kIllegalParameterText, kInputCaption);
        return true;
    }
    std::uint8_t status = 0;
    if (!port_->ReadStatus(status)) {
        LosePort();
        Notifier::Current().Show(kAccessDeniedText, kInputCaption);
        return true;
    }
    return line == 0 ? (status & kInput0Bit) != 0 : (status & kInput1Bit) == 0;
}

void LPTDigitalInstrument::SetDigitalOutput(std::uint8_t line, std::uint8_t value)
{
    if (!port_) {
        Notifier::Current().Show(kAccessDeniedText, kOutputCaption);
        return;
    }
    if (line > 1) {
        Notifier::Current().Show(kIllegalParameterText, kOutputCaption);
        return;
    }
    const auto bit = static_cast<std::uint8_t>(1u << line);
    outputShadow_ = static_cast<std::uint8_t>(value != 0 ? outputShadow_ | bit : outputShadow_ & ~bit);
    if (!port_->WriteData(outputShadow_)) {
        LosePort();
        Notifier::Current().Show(kAccessDeniedText, kOutputCaption);
    }
}

void LPTDigitalInstrument::AnnounceNoAccess()
{
    Notifier::Current().Show(kNoAccessText, kNoAccessCaption);
    Notifier::Current().Show(accessError_, kNoAccessCaption);
}

void LPTDigitalInstrument::LosePort()
{
    port_.reset();
    accessError_ = std::string("The parallel port ") + kPortName + " stopped answering";
}
