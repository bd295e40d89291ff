#include "monitor/boards/tests/SimulatedBoardLine.h"

#include "platform/FakeClock.h"
#include "simulators/ez2181/Ez2181Simulator.h"

#include <algorithm>

SimulatedBoardLine::SimulatedBoardLine(Ez2181Simulator& board, FakeClock* clock)
    : board_(board), clock_(clock)
{
}

bool SimulatedBoardLine::Open(const std::string& path)
{
    if (open_) return false;
    open_ = true;
    openedPath_ = path;
    return true;
}

bool SimulatedBoardLine::GetSettings(CommSettings& out)
{
    if (!open_) return false;
    out = settings_;
    return true;
}

bool SimulatedBoardLine::SetSettings(const CommSettings& s)
{
    if (!open_) return false;
    settings_ = s;
    return true;
}

void SimulatedBoardLine::SetReadTimeouts(std::uint32_t, std::uint32_t totalMs)
{
    readTotalMs_ = totalMs;
}

long SimulatedBoardLine::Read(std::uint8_t* buffer, std::size_t count)
{
    if (!open_) return -1;
    const std::vector<std::uint8_t> output = board_.TakeOutput();
    input_.insert(input_.end(), output.begin(), output.end());
    const std::size_t n = std::min(count, input_.size());
    if (n == 0 && clock_ != nullptr) clock_->Advance(readTotalMs_);
    std::copy_n(input_.begin(), n, buffer);
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<long>(n);
}

long SimulatedBoardLine::Write(const std::uint8_t* data, std::size_t count, std::uint32_t)
{
    if (!open_) return -1;
    written_.insert(written_.end(), data, data + count);
    board_.Receive(std::span<const std::uint8_t>(data, count));
    return static_cast<long>(count);
}

bool SimulatedBoardLine::GetModemStatus(std::uint32_t& status)
{
    status = 0;
    return open_;
}

bool SimulatedBoardLine::PurgeInput()
{
    if (!open_) return false;
    ++purges_;
    input_.clear();
    board_.TakeOutput();
    if (afterPurge_) {
        std::function<void()> action = std::move(afterPurge_);
        afterPurge_ = nullptr;
        action();
    }
    return true;
}
