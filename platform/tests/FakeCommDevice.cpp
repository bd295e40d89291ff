#include "platform/tests/FakeCommDevice.h"

#include <algorithm>
#include <cstdio>

bool FakeCommDevice::Fail(const std::string& error)
{
    lastError_ = error;
    return false;
}

bool FakeCommDevice::Open(const std::string& path)
{
    if (open_) return Fail("Device or resource busy");
    if (!openError_.empty()) return Fail(openError_);
    open_ = true;
    openedPath_ = path;
    return true;
}

bool FakeCommDevice::GetSettings(CommSettings& out)
{
    if (!open_) return Fail("Bad file descriptor");
    if (failGetSettings_) return Fail("Inappropriate ioctl for device");
    out = settings_;
    return true;
}

bool FakeCommDevice::SetSettings(const CommSettings& s)
{
    if (!open_) return Fail("Bad file descriptor");
    if (failSetSettings_ || s.rtsControl < 0 || s.rtsControl > 2) return Fail("Invalid argument");
    settings_ = s;
    return true;
}

void FakeCommDevice::SetReadTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs)
{
    intervalMs_ = intervalMs;
    totalMs_ = totalMs;
}

void FakeCommDevice::QueueInput(const std::vector<std::uint8_t>& bytes)
{
    input_.insert(input_.end(), bytes.begin(), bytes.end());
}

long FakeCommDevice::Read(std::uint8_t* buffer, std::size_t count)
{
    if (!open_) {
        Fail("Bad file descriptor");
        return -1;
    }
    if (failReads_) {
        Fail("Input/output error");
        return -1;
    }
    const std::size_t n = std::min(count, input_.size());
    std::copy_n(input_.begin(), n, buffer);
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<long>(n);
}

long FakeCommDevice::Write(const std::uint8_t* data, std::size_t count, std::uint32_t)
{
    if (!open_) {
        Fail("Bad file descriptor");
        return -1;
    }
    std::size_t accepted = count;
    if (limitWrites_) {
        accepted = std::min(count, writesLeft_);
        writesLeft_ -= accepted;
    }
    std::string event = "write";
    for (std::size_t i = 0; i < accepted; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", data[i]);
        event += hex;
    }
    if (accepted > 0) events_.push_back(event);
    written_.insert(written_.end(), data, data + accepted);
    if (accepted < count) {
        events_.push_back("write failed");
        Fail("Input/output error");
        return accepted > 0 ? static_cast<long>(accepted) : -1;
    }
    return static_cast<long>(accepted);
}

bool FakeCommDevice::Escape(EscapeFunction f)
{
    if (!open_) return Fail("Bad file descriptor");
    if (failEscapes_) return Fail("Inappropriate ioctl for device");
    switch (f) {
    case EscapeFunction::SetRts:
    case EscapeFunction::ClrRts:
        rts_ = f == EscapeFunction::SetRts;
        events_.push_back(rts_ ? "SETRTS" : "CLRRTS");
        break;
    case EscapeFunction::SetDtr:
    case EscapeFunction::ClrDtr:
        dtr_ = f == EscapeFunction::SetDtr;
        events_.push_back(dtr_ ? "SETDTR" : "CLRDTR");
        break;
    }
    return true;
}

bool FakeCommDevice::GetModemStatus(std::uint32_t& status)
{
    if (!open_) return Fail("Bad file descriptor");
    status = modemStatus_;
    return true;
}

bool FakeCommDevice::PurgeInput()
{
    if (!open_) return Fail("Bad file descriptor");
    input_.clear();
    events_.push_back("purge");
    return true;
}

bool FakeCommDevice::WaitTransmitterEmpty(std::uint32_t timeoutMs)
{
    if (!open_) return Fail("Bad file descriptor");
    events_.push_back("txempty");
    lastTransmitterTimeoutMs_ = timeoutMs;
    if (transmitterStuck_) return Fail("Connection timed out");
    return true;
}
