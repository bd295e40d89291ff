#include "simulators/ptyline/PtyLineServer.h"

#include "simulators/ptyline/PacedLine.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

// The event descriptor that wakes the serving thread. The device's output
// listener holds it too, so a late notification never writes to a closed
// descriptor.
class PtyLineServer::Waker {
public:
    Waker() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Waker()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    int fd() const { return fd_; }
    void Wake()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
    }
    void Clear()
    {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(fd_, &count, sizeof count);
    }

private:
    int fd_;
};

namespace {

using Clock = PacedLine::Clock;

// How often the server looks again at a line that reports a hang-up (nobody
// holds the slave open), instead of spinning on it.
constexpr std::chrono::milliseconds kHangUpRetry{20};

// The rate a speed code of termios stands for; 0 for codes not listed.
std::uint32_t Rate(speed_t speed)
{
    static constexpr std::pair<speed_t, std::uint32_t> kRates[] = {
        {B300, 300},
        {B600, 600},
        {B1200, 1200},
        {B2400, 2400},
        {B4800, 4800},
        {B9600, 9600},
        {B19200, 19200},
        {B38400, 38400},
        {B57600, 57600},
        {B115200, 115200},
        {B230400, 230400},
        {B460800, 460800},
        {B921600, 921600},
    };
    for (const auto& [code, rate] : kRates) {
        if (code == speed)
            return rate;
    }
    return 0;
}

void Consider(std::optional<Clock::time_point>& earliest, std::optional<Clock::time_point> t)
{
    if (t && (!earliest || *t < *earliest))
        earliest = t;
}

}  // namespace

PtyLineServer::PtyLineServer(ByteDevice& device, int masterFd, std::uint32_t baud)
    : device_(device), masterFd_(masterFd), baud_(baud)
{
}

PtyLineServer::~PtyLineServer()
{
    Stop();
}

bool PtyLineServer::Start()
{
    if (Running() || masterFd_ < 0)
        return false;
    auto waker = std::make_shared<Waker>();
    if (waker->fd() < 0)
        return false;
    savedFlags_ = ::fcntl(masterFd_, F_GETFL);
    if (savedFlags_ < 0 || ::fcntl(masterFd_, F_SETFL, savedFlags_ | O_NONBLOCK) != 0)
        return false;
    waker_ = waker;
    stop_ = false;
    lineLost_ = false;
    bytesReceived_ = 0;
    bytesSent_ = 0;
    bytesGarbled_ = 0;
    device_.SetOutputListener([waker] { waker->Wake(); });
    thread_ = std::thread(&PtyLineServer::Serve, this);
    return true;
}

void PtyLineServer::Stop()
{
    if (!Running())
        return;
    stop_ = true;
    waker_->Wake();
    thread_.join();
    device_.SetOutputListener({});
    waker_.reset();
    ::fcntl(masterFd_, F_SETFL, savedFlags_);
}

// A pseudo-terminal's master reports the termios of its slave, the PC's side.
bool PtyLineServer::RatesDiffer() const
{
    if (!requireMatchingRate_ || baud_ == 0)
        return false;
    termios line{};
    return ::tcgetattr(masterFd_, &line) != 0 || Rate(::cfgetospeed(&line)) != baud_;
}

// What the serving thread keeps between turns of its loop.
struct PtyLineServer::ServeState {
    Clock::time_point now{};
    // Output in the order produced; a late piece holds back everything after it.
    PacedLine toPc;
    // The adapter on the PC's side, if the line has one: what the line delivers gathers there.
    std::optional<UsbAdapter> adapter;
    // When the PC's last byte would have arrived over the paced line.
    Clock::time_point fromPcFreeAt{};
    Clock::time_point hangUpUntil{};
    bool waitWritable = false;
    std::array<std::uint8_t, 4096> buffer{};
};

void PtyLineServer::Serve()
{
    // Paced bytes are a quarter of a millisecond apart at 38400 baud; the default
    // timer slack of 50 us would add a fifth of that to every wait.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    ServeState state;
    if (adapter_)
        state.adapter.emplace(*adapter_, Clock::now());
    while (!stop_ && !lineLost_) {
        state.now = Clock::now();
        TakeOutput(state);
        if (!state.waitWritable)
            WriteDue(state);
        if (lineLost_)
            break;
        const short events = WaitForLine(state);
        if (events & POLLNVAL) {
            lineLost_ = true;
            break;
        }
        if (events & POLLOUT)
            state.waitWritable = false;
        if (events & POLLIN)
            ReadFromPc(state);
        else if (events & (POLLHUP | POLLERR))
            state.hangUpUntil = Clock::now() + kHangUpRetry;
    }
}

void PtyLineServer::TakeOutput(ServeState& state)
{
    if (state.now - state.fromPcFreeAt >= device_.FrameTimeout() && device_.InFrame())
        device_.AbandonPartialFrame();

    // The device takes bytes as soon as they are read, but its answer leaves only once
    // the request's last byte would have arrived; that spares the serving thread a
    // wake-up between request and answer without the PC seeing anything early.
    const Clock::time_point answerFrom = std::max(state.now, state.fromPcFreeAt);
    for (const ByteDevice::Output& output : device_.TakeOutput()) {
        const Clock::time_point start =
            output.late ? answerFrom + std::chrono::milliseconds(lateDelayMs_.load()) : answerFrom;
        state.toPc.Put(output.bytes, start, baud_);
    }
}

void PtyLineServer::WriteDue(ServeState& state)
{
    std::vector<std::uint8_t> due;
    if (state.adapter) {
        // Each byte reaches the adapter when the line delivers it, however late the
        // serving thread woke up to hand it on.
        for (auto at = state.toPc.NextDue(); at && *at <= state.now; at = state.toPc.NextDue()) {
            const std::vector<std::uint8_t> delivered = state.toPc.Due(*at);
            state.adapter->Hold(delivered, *at);
            state.toPc.Drop(delivered.size());
        }
        due = state.adapter->Release(state.now);
    } else {
        due = state.toPc.Due(state.now);
    }
    if (due.empty())
        return;
    if (RatesDiffer()) {
        DropWritten(state, due.size());
        bytesGarbled_ += due.size();
        return;
    }
    const ssize_t n = ::write(masterFd_, due.data(), due.size());
    if (n > 0) {
        DropWritten(state, static_cast<std::size_t>(n));
        bytesSent_ += static_cast<std::uint64_t>(n);
        state.waitWritable = static_cast<std::size_t>(n) < due.size();
    } else if (n < 0 && errno == EAGAIN) {
        state.waitWritable = true;
    } else if (n < 0 && errno == EIO) {
        DropWritten(state, due.size());  // nobody listens: the bytes are lost, as on a real line
    } else if (n < 0 && errno != EINTR) {
        lineLost_ = true;
    }
}

// Bytes that left for the PC (or were lost on the way) leave the queue they came from.
void PtyLineServer::DropWritten(ServeState& state, std::size_t count)
{
    if (state.adapter)
        state.adapter->Drop(count);
    else
        state.toPc.Drop(count);
}

// Waits for the line, the waker or the next thing due; the line's events, 0 when
// the wait was interrupted.
short PtyLineServer::WaitForLine(ServeState& state)
{
    std::optional<Clock::time_point> wakeAt;
    if (!state.waitWritable) {
        Consider(wakeAt, state.toPc.NextDue());
        if (state.adapter)
            Consider(wakeAt, state.adapter->NextRelease());
    }
    if (device_.InFrame())
        Consider(wakeAt, state.fromPcFreeAt + device_.FrameTimeout());
    const bool watchLine = state.now >= state.hangUpUntil;
    if (!watchLine)
        Consider(wakeAt, state.hangUpUntil);

    std::array<pollfd, 2> fds{};
    fds[0].fd = watchLine ? masterFd_ : -1;
    fds[0].events = static_cast<short>(POLLIN | (state.waitWritable ? POLLOUT : 0));
    fds[1].fd = waker_->fd();
    fds[1].events = POLLIN;
    timespec timeout{};
    timespec* timeoutPointer = nullptr;
    if (wakeAt) {
        const auto wait = std::max(*wakeAt - Clock::now(), Clock::duration::zero());
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        timeoutPointer = &timeout;
    }
    if (::ppoll(fds.data(), fds.size(), timeoutPointer, nullptr) < 0)
        return 0;  // EINTR; nothing else can fail with these arguments
    if (fds[1].revents & POLLIN)
        waker_->Clear();
    return fds[0].revents;
}

void PtyLineServer::ReadFromPc(ServeState& state)
{
    const ssize_t n = ::read(masterFd_, state.buffer.data(), state.buffer.size());
    if (n > 0 && RatesDiffer()) {
        bytesGarbled_ += static_cast<std::uint64_t>(n);
    } else if (n > 0) {
        const std::span<const std::uint8_t> bytes(state.buffer.data(), static_cast<std::size_t>(n));
        const Clock::time_point now = Clock::now();
        const Clock::time_point onLine = state.adapter ? state.adapter->NextFrame(now) : now;
        state.fromPcFreeAt = std::max(state.fromPcFreeAt, onLine) + n * PacedLine::ByteTime(baud_);
        device_.Receive(bytes);
        bytesReceived_ += static_cast<std::uint64_t>(n);
    } else if (n < 0 && errno == EIO) {
        state.hangUpUntil = Clock::now() + kHangUpRetry;
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        lineLost_ = true;
    }
}
