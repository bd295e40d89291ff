#include "monitor/boards/tests/SimulatedDeviceLine.h"

#include "platform/tests/FakeClock.h"

#include <algorithm>

bool SimulatedDeviceLine::Open(const std::string& path)
{
    open_ = true;
    openedPath_ = path;
    return true;
}

bool SimulatedDeviceLine::GetSettings(CommSettings& out)
{
    out = settings_;
    return open_;
}

bool SimulatedDeviceLine::SetSettings(const CommSettings& s)
{
    if (!open_)
        return false;
    settings_ = s;
    return true;
}

bool SimulatedDeviceLine::GetModemStatus(std::uint32_t& status)
{
    status = 0;
    return open_;
}

void SimulatedDeviceLine::TakeDeviceOutput()
{
    for (ByteDevice::Output& output : device_.TakeOutput())
        input_.push_back(std::move(output));
}

long SimulatedDeviceLine::Read(std::uint8_t* buffer, std::size_t count)
{
    if (!open_)
        return -1;
    TakeDeviceOutput();
    std::size_t got = 0;
    while (got < count && !input_.empty() && !input_.front().late) {
        std::vector<std::uint8_t>& bytes = input_.front().bytes;
        const std::size_t n = std::min(count - got, bytes.size());
        std::copy_n(bytes.begin(), n, buffer + got);
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        got += n;
        if (bytes.empty())
            input_.pop_front();
    }
    if (got == 0) {
        ++readTimeouts_;
        if (clock_ != nullptr)
            clock_->Advance(readTotalMs_);
        if (!input_.empty())
            input_.front().late = false;  // it arrives while the PC has stopped waiting
    }
    return static_cast<long>(got);
}

long SimulatedDeviceLine::Write(const std::uint8_t* data, std::size_t count, std::uint32_t)
{
    if (!open_ || failWrites_)
        return -1;
    written_.insert(written_.end(), data, data + count);
    writeEnds_.push_back(written_.size());
    device_.Receive(std::span<const std::uint8_t>(data, count));
    TakeDeviceOutput();
    return static_cast<long>(count);
}

bool SimulatedDeviceLine::PurgeInput()
{
    if (!open_)
        return false;
    TakeDeviceOutput();
    purgedAt_.push_back(written_.size());
    while (!input_.empty() && !input_.front().late) {
        bytesPurged_ += input_.front().bytes.size();
        input_.pop_front();
    }
    if (afterPurge_) {
        std::function<void()> action = std::move(afterPurge_);
        afterPurge_ = nullptr;
        action();
    }
    return true;
}

void SimulatedDeviceLine::ClearWritten()
{
    written_.clear();
    purgedAt_.clear();
    writeEnds_.clear();
}
