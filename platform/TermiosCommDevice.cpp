#include "platform/TermiosCommDevice.h"

#include "platform/Clock.h"
#include "platform/ReadWait.h"
#include "platform/SerialAccess.h"
#include "platform/UsbLatencyTimer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

namespace {

struct RateEntry {
    std::uint32_t rate;
    speed_t speed;
};

constexpr RateEntry kRates[] = {
    {50, B50},
    {75, B75},
    {110, B110},
    {134, B134},
    {150, B150},
    {200, B200},
    {300, B300},
    {600, B600},
    {1200, B1200},
    {1800, B1800},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
    {460800, B460800},
    {500000, B500000},
    {576000, B576000},
    {921600, B921600},
    {1000000, B1000000},
    {1152000, B1152000},
    {1500000, B1500000},
    {2000000, B2000000},
    {2500000, B2500000},
    {3000000, B3000000},
    {3500000, B3500000},
    {4000000, B4000000},
};

// Milliseconds left until `deadline`, as poll() takes them.
}  // namespace

TermiosCommDevice::TermiosCommDevice(LowLatencyMode::Driver& driver, std::string sysfsRoot)
    : lowLatency_(driver), sysfsRoot_(std::move(sysfsRoot))
{
}

TermiosCommDevice::~TermiosCommDevice()
{
    Close();
}

speed_t TermiosCommDevice::SpeedFor(std::uint32_t baudRate)
{
    for (const RateEntry& entry : kRates)
        if (entry.rate == baudRate) return entry.speed;
    return B0;
}

std::uint32_t TermiosCommDevice::RateOf(speed_t speed)
{
    for (const RateEntry& entry : kRates)
        if (entry.speed == speed) return entry.rate;
    return 0;
}

bool TermiosCommDevice::Fail(int error)
{
    lastError_ = std::system_category().message(error);
    return false;
}

bool TermiosCommDevice::Open(const std::string& path)
{
    Close();
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        Fail(error);
        // Not allowed: say who may, and how to become one of them.
        if (error == EACCES || error == EPERM)
            lastError_ += " (" + SerialAccess::DeniedHint(path) + ")";
        return false;
    }

    // TIOCEXCL does not keep root out; the lock does, for every process that opens
    // the line through this class.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = (errno == EWOULDBLOCK) ? EBUSY : errno;
        ::close(fd);
        return Fail(error);
    }
    ::ioctl(fd, TIOCEXCL);

    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        const tcflag_t hardwareFlow = t.c_cflag & CRTSCTS;
        ::cfmakeraw(&t);
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
        t.c_cflag = (t.c_cflag & ~CRTSCTS) | hardwareFlow | CLOCAL | CREAD;
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        ::tcsetattr(fd, TCSANOW, &t);
        ctsOutFlow_ = hardwareFlow != 0;
        rtsControl_ = hardwareFlow != 0 ? 2 : 1;
    }
    dsrOutFlow_ = false;
    dtrControl_ = 1;
    fd_ = fd;

    lowLatency_.Request(fd);
    latencyWarning_ = UsbLatencyTimer::Warning(path, sysfsRoot_);
    if (!latencyWarning_.empty())
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, latencyWarning_.c_str());
    return true;
}

void TermiosCommDevice::Close()
{
    if (fd_ < 0) return;
    lowLatency_.Restore(fd_);
    // The exclusive flag belongs to the tty, not to this descriptor: it would outlive
    // the close while anyone else holds the line open.
    ::ioctl(fd_, TIOCNXCL);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

bool TermiosCommDevice::GetSettings(CommSettings& out)
{
    if (fd_ < 0) return Fail(EBADF);
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return Fail(errno);

    out.baudRate = RateOf(::cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5: out.dataBits = 5; break;
    case CS6: out.dataBits = 6; break;
    case CS7: out.dataBits = 7; break;
    default: out.dataBits = 8; break;
    }
    if ((t.c_cflag & PARENB) == 0)
        out.parity = Parity::None;
    else
        out.parity = (t.c_cflag & PARODD) != 0 ? Parity::Odd : Parity::Even;
    out.stopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
    out.ctsOutFlow = ctsOutFlow_;
    out.dsrOutFlow = dsrOutFlow_;
    out.rtsControl = rtsControl_;
    out.dtrControl = dtrControl_;
    return true;
}

bool TermiosCommDevice::SetSettings(const CommSettings& s)
{
    if (fd_ < 0) return Fail(EBADF);
    const speed_t speed = SpeedFor(s.baudRate);
    if (speed == B0 || s.dataBits < 5 || s.dataBits > 8 || (s.stopBits != 1 && s.stopBits != 2) || s.rtsControl < 0 || s.rtsControl > 2 || s.dtrControl < 0 || s.dtrControl > 1)
        return Fail(EINVAL);

    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return Fail(errno);
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag = (t.c_cflag & ~CSIZE) | kSizes[s.dataBits - 5];
    t.c_cflag &= ~(PARENB | PARODD | CSTOPB | CRTSCTS);
    if (s.parity != Parity::None) t.c_cflag |= PARENB;
    if (s.parity == Parity::Odd) t.c_cflag |= PARODD;
    if (s.stopBits == 2) t.c_cflag |= CSTOPB;
    // A tty has one flag for both directions of hardware handshake, and it makes output
    // wait for CTS: a line whose cable has no CTS would never send a byte. So it is set
    // only for CTS output flow; RTS handshake alone keeps RTS asserted.
    if (s.ctsOutFlow) t.c_cflag |= CRTSCTS;
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) return Fail(errno);

    ctsOutFlow_ = s.ctsOutFlow;
    dsrOutFlow_ = s.dsrOutFlow;
    rtsControl_ = s.rtsControl;
    dtrControl_ = s.dtrControl;
    // Lines that the tty does not have (a pseudo-terminal) are no failure of the settings.
    if (s.rtsControl != 2 || !s.ctsOutFlow) SetModemLine(TIOCM_RTS, s.rtsControl != 0);
    SetModemLine(TIOCM_DTR, s.dtrControl == 1);
    return true;
}

void TermiosCommDevice::SetReadTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs)
{
    intervalMs_ = intervalMs;
    totalMs_ = totalMs;
}

// The descriptor does not block: bytes already there are read without a poll() first.
// With VMIN and VTIME 0 a read finds "nothing there" as 0 bytes; only after poll() has
// said the line is readable does 0 mean that the other end has gone.
long TermiosCommDevice::Read(std::uint8_t* buffer, std::size_t count)
{
    if (fd_ < 0) {
        Fail(EBADF);
        return -1;
    }
    Clock& clock = Clock::Steady();
    const std::uint64_t start = clock.NowMs();
    std::uint64_t lastByteAt = start;
    std::size_t got = 0;
    const auto failed = [&](int error) -> long {
        Fail(error);
        return got > 0 ? static_cast<long>(got) : -1;
    };

    bool readable = false;
    while (got < count) {
        const ssize_t n = ::read(fd_, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            lastByteAt = clock.NowMs();
            readable = false;
            continue;
        }
        if (n == 0 && readable) return failed(EIO);  // end of file: the other end has gone
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return failed(errno);

        const int waitMs = ReadWait::Left(start, lastByteAt, got, intervalMs_, totalMs_, clock.NowMs());
        const int ready = WaitReadable(waitMs);
        if (ready < 0) return failed(-ready);
        if (ready == 0) break;
        readable = true;
    }
    return static_cast<long>(got);
}

long TermiosCommDevice::ReadArrived(std::uint8_t* buffer, std::size_t count, std::uint32_t waitMs)
{
    if (fd_ < 0) {
        Fail(EBADF);
        return -1;
    }
    Clock& clock = Clock::Steady();
    const std::uint64_t deadline = clock.NowMs() + waitMs;
    bool readable = false;
    while (count > 0) {
        const ssize_t n = ::read(fd_, buffer, count);
        if (n > 0) return static_cast<long>(n);
        if (n == 0 && readable) {
            Fail(EIO);  // end of file: the other end has gone
            return -1;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            Fail(errno);
            return -1;
        }
        const int ready = WaitReadable(ReadWait::MsUntil(deadline, clock.NowMs()));
        if (ready < 0) {
            Fail(-ready);
            return -1;
        }
        if (ready == 0) break;
        readable = true;
    }
    return 0;
}

// 1 once the line has input, 0 when waitMs (-1: no limit) passed first, -errno when it
// failed or hung up without input.
int TermiosCommDevice::WaitReadable(int waitMs)
{
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, waitMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return -errno;
        if (ready == 0) return 0;
        return (p.revents & POLLIN) != 0 ? 1 : -EIO;  // hung up or in error, no data
    }
}

long TermiosCommDevice::Write(const std::uint8_t* data, std::size_t count,
                              std::uint32_t writeTimeoutMs)
{
    if (fd_ < 0) {
        Fail(EBADF);
        return -1;
    }
    Clock& clock = Clock::Steady();
    const std::uint64_t deadline = clock.NowMs() + writeTimeoutMs;
    std::size_t written = 0;
    const auto failed = [&](int error) -> long {
        Fail(error);
        return written > 0 ? static_cast<long>(written) : -1;
    };

    while (written < count) {
        const ssize_t n = ::write(fd_, data + written, count - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return failed(errno);

        // The driver's queue is full: wait for room.
        int waitMs = -1;
        if (writeTimeoutMs != 0) {
            waitMs = ReadWait::MsUntil(deadline, clock.NowMs());
            if (waitMs == 0) break;
        }
        pollfd p{fd_, POLLOUT, 0};
        const int ready = ::poll(&p, 1, waitMs);
        if (ready < 0 && errno != EINTR) return failed(errno);
        if (ready == 0) break;
        if (ready > 0 && (p.revents & POLLOUT) == 0) return failed(EIO);
    }
    return static_cast<long>(written);
}

bool TermiosCommDevice::SetModemLine(int line, bool on)
{
    int bits = line;
    if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) != 0) return Fail(errno);
    return true;
}

bool TermiosCommDevice::Escape(EscapeFunction f)
{
    if (fd_ < 0) return Fail(EBADF);
    switch (f) {
    case EscapeFunction::SetRts: return SetModemLine(TIOCM_RTS, true);
    case EscapeFunction::ClrRts: return SetModemLine(TIOCM_RTS, false);
    case EscapeFunction::SetDtr: return SetModemLine(TIOCM_DTR, true);
    case EscapeFunction::ClrDtr: return SetModemLine(TIOCM_DTR, false);
    }
    return Fail(EINVAL);
}

bool TermiosCommDevice::GetModemStatus(std::uint32_t& status)
{
    if (fd_ < 0) return Fail(EBADF);
    int bits = 0;
    if (::ioctl(fd_, TIOCMGET, &bits) != 0) return Fail(errno);
    status = 0;
    if (bits & TIOCM_CTS) status |= ModemCts;
    if (bits & TIOCM_DSR) status |= ModemDsr;
    if (bits & TIOCM_RNG) status |= ModemRing;
    if (bits & TIOCM_CAR) status |= ModemRlsd;
    return true;
}

bool TermiosCommDevice::PurgeInput()
{
    if (fd_ < 0) return Fail(EBADF);
    if (::tcflush(fd_, TCIFLUSH) != 0) return Fail(errno);
    return true;
}

bool TermiosCommDevice::WaitTransmitterEmpty(std::uint32_t timeoutMs)
{
    if (fd_ < 0) return Fail(EBADF);
    Clock& clock = Clock::Steady();
    const std::uint64_t deadline = clock.NowMs() + timeoutMs;
    for (;;) {
        unsigned int lineStatus = 0;
        if (::ioctl(fd_, TIOCSERGETLSR, &lineStatus) != 0)
            return OutputQueueEmpty(deadline);  // this tty has no line status register
        if (lineStatus & TIOCSER_TEMT) return true;
        if (clock.NowMs() >= deadline) return Fail(ETIMEDOUT);
        clock.SleepMs(1);
    }
}

// Without a line status register: wait until the driver's queue is empty, then let the
// driver wait for its last character, which it bounds itself.
bool TermiosCommDevice::OutputQueueEmpty(std::uint64_t deadline)
{
    Clock& clock = Clock::Steady();
    int queued = 0;
    while (::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0) {
        if (clock.NowMs() >= deadline) return Fail(ETIMEDOUT);
        clock.SleepMs(1);
    }
    if (::tcdrain(fd_) != 0) return Fail(errno);
    return true;
}
