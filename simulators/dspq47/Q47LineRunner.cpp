#include "simulators/dspq47/Q47LineRunner.h"

#include "platform/PortMap.h"
#include "platform/PtyPair.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kPollMs = 20;

}  // namespace

Q47LineRunner::Q47LineRunner(Q47Unit& unit, bool paced) : unit_(unit), paced_(paced) {}

Q47LineRunner::~Q47LineRunner()
{
    Stop();
}

bool Q47LineRunner::Start(const std::string& portName)
{
    Stop();
    pty_ = std::make_unique<PtyPair>();
    if (!pty_->ok() || !PortMap::Link(portName, pty_->slavePath())) {
        pty_.reset();
        return false;
    }
    portName_ = portName;
    stop_ = false;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void Q47LineRunner::Stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (!portName_.empty())
        PortMap::Unlink(portName_);
    portName_.clear();
    pty_.reset();
}

std::string Q47LineRunner::SlavePath() const
{
    return pty_ ? pty_->slavePath() : std::string();
}

void Q47LineRunner::Serve()
{
    while (!stop_) {
        pollfd p{pty_->masterFd(), POLLIN, 0};
        const int ready = ::poll(&p, 1, kPollMs);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready > 0 && (p.revents & POLLIN) != 0) {
            std::uint8_t chunk[1024];
            const ssize_t n = ::read(pty_->masterFd(), chunk, sizeof chunk);
            if (n > 0)
                HandleBytes(chunk, static_cast<std::size_t>(n));
        } else if (ready > 0) {
            // Hung up or in error without data: do not spin on a line that reports it.
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        } else if (unit_.InStream() && std::chrono::steady_clock::now() - lastByteAt_ > kStreamGiveUp) {
            unit_.LineIdle();
        }
    }
}

void Q47LineRunner::HandleBytes(const std::uint8_t* bytes, std::size_t count)
{
    const TimePoint now = std::chrono::steady_clock::now();
    lastByteAt_ = now;
    for (std::size_t i = 0; i < count && !stop_; ++i) {
        // When paced, a byte has arrived only once the line carried its ten bits.
        lineFreeAt_ = std::max(lineFreeAt_, now) + kCharTime;
        const std::vector<std::uint8_t> answer = unit_.Receive(bytes[i]);
        if (!answer.empty())
            SendAnswer(answer);
    }
}

void Q47LineRunner::SendAnswer(const std::vector<std::uint8_t>& answer)
{
    if (!paced_) {
        WriteAll(answer.data(), answer.size());
        return;
    }
    const TimePoint start = std::max(lineFreeAt_, std::chrono::steady_clock::now());
    for (std::size_t i = 0; i < answer.size() && !stop_; ++i) {
        std::this_thread::sleep_until(start + kCharTime * static_cast<long long>(i + 1));
        if (!WriteAll(&answer[i], 1))
            return;
    }
}

bool Q47LineRunner::WriteAll(const std::uint8_t* bytes, std::size_t count)
{
    std::size_t written = 0;
    while (written < count && !stop_) {
        const ssize_t n = ::write(pty_->masterFd(), bytes + written, count - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{pty_->masterFd(), POLLOUT, 0};
            ::poll(&p, 1, kPollMs);
        } else {
            return false;
        }
    }
    return written == count;
}
