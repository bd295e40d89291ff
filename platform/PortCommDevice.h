#pragma once

#include "platform/CommDevice.h"
#include "platform/Rfc2217CommDevice.h"
#include "platform/TermiosCommDevice.h"

// The line behind a port-map path, the one device the programs open their ports with:
// a network port (Rfc2217CommDevice) when the path, or the text of the link it is,
// reads rfc2217://HOST:PORT; the tty it leads to otherwise.
class PortCommDevice : public CommDevice {
public:
    // The rfc2217:// text (scheme in any case) of `path` or of the link at `path`,
    // without the blanks around it (a link made with a stray blank or line end still
    // leads to its port); empty for any other path. Open and the port listings of
    // --help both go by this one rule.
    static std::string NetworkAddress(const std::string& path);

    bool Open(const std::string& path) override;
    void Close() override { line_->Close(); }
    bool IsOpen() const override { return line_->IsOpen(); }

    bool GetSettings(CommSettings& out) override { return line_->GetSettings(out); }
    bool SetSettings(const CommSettings& s) override { return line_->SetSettings(s); }

    void SetReadTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs) override;
    long Read(std::uint8_t* buffer, std::size_t count) override { return line_->Read(buffer, count); }
    long ReadArrived(std::uint8_t* buffer, std::size_t count, std::uint32_t waitMs) override
    {
        return line_->ReadArrived(buffer, count, waitMs);
    }
    long Write(const std::uint8_t* data, std::size_t count, std::uint32_t writeTimeoutMs = 0) override
    {
        return line_->Write(data, count, writeTimeoutMs);
    }

    bool Escape(EscapeFunction f) override { return line_->Escape(f); }
    bool GetModemStatus(std::uint32_t& status) override { return line_->GetModemStatus(status); }
    bool PurgeInput() override { return line_->PurgeInput(); }
    bool WaitTransmitterEmpty(std::uint32_t timeoutMs) override { return line_->WaitTransmitterEmpty(timeoutMs); }

    std::string LastError() const override { return line_->LastError(); }

private:
    TermiosCommDevice tty_;
    Rfc2217CommDevice network_;
    CommDevice* line_ = &tty_;
};
