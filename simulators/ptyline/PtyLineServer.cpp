#include "simulators/ptyline/PtyLineServer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// How often the server looks again at a line that reports a hang-up (nobody
// holds the slave open), instead of spinning on it.
constexpr std::chrono::milliseconds kHangUpRetry{20};

struct Pending {
    Clock::time_point due;
    std::vector<std::uint8_t> bytes;
};

}  // namespace

PtyLineServer::PtyLineServer(ByteDevice& device, int masterFd) : device_(device), masterFd_(masterFd) {}

PtyLineServer::~PtyLineServer()
{
    Stop();
}

bool PtyLineServer::Start()
{
    if (Running() || masterFd_ < 0)
        return false;
    savedFlags_ = ::fcntl(masterFd_, F_GETFL);
    if (savedFlags_ < 0 || ::fcntl(masterFd_, F_SETFL, savedFlags_ | O_NONBLOCK) != 0)
        return false;
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0)
        return false;
    stop_ = false;
    lineLost_ = false;
    thread_ = std::thread(&PtyLineServer::Serve, this);
    return true;
}

void PtyLineServer::Stop()
{
    if (!Running())
        return;
    stop_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
    thread_.join();
    ::close(wakeFd_);
    wakeFd_ = -1;
    ::fcntl(masterFd_, F_SETFL, savedFlags_);
}

void PtyLineServer::Serve()
{
    // Output in the order produced; a late piece holds back everything after it.
    std::deque<Pending> pending;
    std::array<std::uint8_t, 4096> buffer{};
    Clock::time_point hangUpUntil{};

    while (!stop_ && !lineLost_) {
        const Clock::time_point now = Clock::now();
        while (!pending.empty() && pending.front().due <= now) {
            std::vector<std::uint8_t>& bytes = pending.front().bytes;
            const ssize_t n = bytes.empty() ? 0 : ::write(masterFd_, bytes.data(), bytes.size());
            if (n >= 0) {
                bytesSent_ += static_cast<std::uint64_t>(n);
                bytes.erase(bytes.begin(), bytes.begin() + n);
            } else if (errno == EIO) {
                bytes.clear();  // nobody listens: the bytes are lost, as on a real line
            } else if (errno != EAGAIN && errno != EINTR) {
                lineLost_ = true;
            }
            if (!bytes.empty())
                break;
            pending.pop_front();
        }
        const bool blocked = !pending.empty() && pending.front().due <= now;

        int timeoutMs = -1;
        if (!pending.empty() && !blocked) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(pending.front().due - now);
            timeoutMs = static_cast<int>(std::max<std::int64_t>(wait.count(), 0));
        }
        const bool watchLine = now >= hangUpUntil;
        if (!watchLine) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(hangUpUntil - now);
            timeoutMs = timeoutMs < 0 ? static_cast<int>(wait.count())
                                      : std::min(timeoutMs, static_cast<int>(wait.count()));
        }
        std::array<pollfd, 2> fds{};
        fds[0].fd = watchLine ? masterFd_ : -1;
        fds[0].events = static_cast<short>(POLLIN | (blocked ? POLLOUT : 0));
        fds[1].fd = wakeFd_;
        fds[1].events = POLLIN;
        if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) {
            lineLost_ = true;
            break;
        }
        if (fds[0].revents & POLLNVAL) {
            lineLost_ = true;
            break;
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(masterFd_, buffer.data(), buffer.size());
            if (n > 0) {
                bytesReceived_ += static_cast<std::uint64_t>(n);
                device_.Receive(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
            } else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
                lineLost_ = true;
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            hangUpUntil = Clock::now() + kHangUpRetry;
        }

        const Clock::time_point produced = Clock::now();
        for (ByteDevice::Output& output : device_.TakeOutput()) {
            Clock::time_point due = produced;
            if (output.late)
                due += std::chrono::milliseconds(lateDelayMs_.load());
            if (!pending.empty())
                due = std::max(due, pending.back().due);
            pending.push_back({due, std::move(output.bytes)});
        }
    }
}
