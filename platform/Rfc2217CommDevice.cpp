#include "platform/Rfc2217CommDevice.h"

#include "platform/Clock.h"
#include "platform/ReadWait.h"
#include "platform/TermiosCommDevice.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace {

using Protocol = Rfc2217Protocol;

// Milliseconds left until `deadline`, as poll() takes them.
std::string ErrorText(int error)
{
    return std::system_category().message(error);
}

// "5 s", "0.3 s".
std::string Seconds(std::uint32_t ms)
{
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0) text += '.' + std::to_string(ms % 1000 / 100);
    return text + " s";
}

// What a server that refuses a second connection says before it hangs up (ser2net:
// "Port already in use").
bool SaysInUse(const Rfc2217Protocol::Bytes& text)
{
    const std::string_view phrase = "in use";
    return std::search(text.begin(), text.end(), phrase.begin(), phrase.end()) != text.end();
}

}  // namespace

Rfc2217CommDevice::~Rfc2217CommDevice()
{
    Close();
}

bool Rfc2217CommDevice::NamesNetworkPort(std::string_view text)
{
    if (text.size() < kScheme.size()) return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != kScheme[i]) return false;
    return true;
}

bool Rfc2217CommDevice::IsAddress(std::string_view text)
{
    std::string host;
    std::string port;
    return SplitAddress(text, host, port);
}

std::string Rfc2217CommDevice::NotAnAddressText(std::string_view text)
{
    return "\"" + std::string(text) + "\" is not a network port: it must read rfc2217://HOST:PORT";
}

bool Rfc2217CommDevice::SplitAddress(std::string_view text, std::string& host, std::string& port)
{
    if (!NamesNetworkPort(text)) return false;
    text.remove_prefix(kScheme.size());
    while (!text.empty() && text.back() == '/') text.remove_suffix(1);
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) return false;
    std::string_view name = text.substr(0, colon);
    const std::string_view number = text.substr(colon + 1);
    if (number.size() > 5 || !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) || std::stoul(std::string(number)) == 0 || std::stoul(std::string(number)) > 65535)
        return false;
    if (name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
    if (name.empty() || name.find_first_of("/[] ") != std::string_view::npos) return false;
    host = name;
    port = number;
    return true;
}

bool Rfc2217CommDevice::Fail(const std::string& text)
{
    lastError_ = text;
    return false;
}

bool Rfc2217CommDevice::Lost(const std::string& why)
{
    lost_ = true;
    return Fail("the connection to " + peer_ + " is lost (" + why + ")");
}

bool Rfc2217CommDevice::Usable()
{
    if (fd_ < 0) return Fail(ErrorText(EBADF));
    if (lost_) return false;  // the text says why already
    return true;
}

bool Rfc2217CommDevice::Open(const std::string& address)
{
    Close();
    std::string host;
    std::string port;
    if (!SplitAddress(address, host, port)) return Fail(NotAnAddressText(address));
    peer_ = (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + port;
    if (!Connect(host, port)) return false;
    if (!Negotiate() || !AskForSettings()) {
        // A server that takes one connection at a time says so and hangs up.
        if (lost_ && SaysInUse(Bytes(data_.begin() + static_cast<std::ptrdiff_t>(dataStart_), data_.end())))
            Fail(ErrorText(EBUSY));
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

bool Rfc2217CommDevice::Connect(const std::string& host, const std::string& port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int lookup = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
    if (lookup != 0) {
        if (lookup == EAI_NONAME || lookup == EAI_NODATA || lookup == EAI_FAIL || lookup == EAI_AGAIN)
            return Fail("host not found: " + host);
        return Fail("cannot look up " + host + ": " + ::gai_strerror(lookup));
    }

    Clock& clock = Clock::Steady();
    const std::uint64_t deadline = clock.NowMs() + timing_.connectMs;
    std::string failure = "host not found: " + host;
    for (const addrinfo* a = found; a != nullptr && fd_ < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            failure = ErrorText(errno);
            continue;
        }
        int error = 0;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            error = errno;
            if (error == EINPROGRESS) {
                pollfd p{fd, POLLOUT, 0};
                int ready = 0;
                do {
                    ready = ::poll(&p, 1, ReadWait::MsUntil(deadline, clock.NowMs()));
                } while (ready < 0 && errno == EINTR);
                socklen_t length = sizeof error;
                error = ready == 0 ? ETIMEDOUT : 0;
                if (ready > 0) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            }
        }
        if (error == 0) {
            fd_ = fd;
            break;
        }
        ::close(fd);
        if (error == ECONNREFUSED)
            failure = peer_ + " refused the connection (no port server listens there)";
        else if (error == ETIMEDOUT)
            failure = peer_ + " did not answer within " + Seconds(timing_.connectMs) + " (timed out)";
        else
            failure = "cannot connect to " + peer_ + ": " + ErrorText(error);
    }
    ::freeaddrinfo(found);
    if (fd_ < 0) return Fail(failure);

    // Single bytes go out at once: the boards answer each request before the next.
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // A peer that acknowledges nothing for that long (a pulled cable, a machine gone)
    // ends the connection, so that a write cannot wait for it for ever.
    const unsigned int unacknowledgedMs = kUnacknowledgedLimitMs;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledgedMs, sizeof unacknowledgedMs);
    lost_ = false;
    sendingReplies_ = false;
    protocol_ = Rfc2217Protocol();
    data_.clear();
    dataStart_ = 0;
    lineFreeAtUs_ = 0;
    return true;
}

// The peer has to accept the com-port option; a server that turns down the second
// connection to a port says so in plain text and hangs up.
bool Rfc2217CommDevice::Negotiate()
{
    Bytes greeting;
    protocol_.AppendGreeting(greeting);
    if (!SendCommand(greeting)) return false;

    Clock& clock = Clock::Steady();
    const std::uint64_t deadline = clock.NowMs() + timing_.answerMs;
    while (!protocol_.ComPortAccepted() && !protocol_.ComPortRefused()) {
        const int waitMs = ReadWait::MsUntil(deadline, clock.NowMs());
        if (waitMs == 0)
            return Fail(peer_ + " does not do RFC 2217: no answer to the com-port control option within " + Seconds(timing_.answerMs));
        if (!Pump(waitMs)) return false;
    }
    if (protocol_.ComPortRefused())
        return Fail(peer_ + " does not do RFC 2217: it refused the com-port control option");
    return true;
}

// Asks for the line's settings, so that GetSettings tells what the line has, and for
// notices of the modem lines.
bool Rfc2217CommDevice::AskForSettings()
{
    const std::uint32_t rateAnswers = protocol_.Answers(Protocol::SetBaudRate);
    const std::uint32_t sizeAnswers = protocol_.Answers(Protocol::SetDataSize);
    const std::uint32_t parityAnswers = protocol_.Answers(Protocol::SetParity);
    const std::uint32_t stopAnswers = protocol_.Answers(Protocol::SetStopSize);
    Bytes commands;
    Protocol::AppendCommand(commands, Protocol::SetModemStateMask, {0xf0});
    Protocol::AppendCommand(commands, Protocol::SetLineStateMask, {0});
    Protocol::AppendBaudRate(commands, 0);
    Protocol::AppendCommand(commands, Protocol::SetDataSize, {0});
    Protocol::AppendCommand(commands, Protocol::SetParity, {0});
    Protocol::AppendCommand(commands, Protocol::SetStopSize, {0});
    if (!SendCommand(commands) || !AwaitAnswer(Protocol::SetBaudRate, rateAnswers, "the line's rate") || !AwaitAnswer(Protocol::SetDataSize, sizeAnswers, "the data size") || !AwaitAnswer(Protocol::SetParity, parityAnswers, "the parity") || !AwaitAnswer(Protocol::SetStopSize, stopAnswers, "the stop bits"))
        return false;

    settings_ = CommSettings{};
    settings_.baudRate = protocol_.AnsweredBaudRate();
    const std::uint8_t size = protocol_.LastAnswer(Protocol::SetDataSize)[0];
    settings_.dataBits = size >= 5 && size <= 8 ? size : 8;
    const std::uint8_t parity = protocol_.LastAnswer(Protocol::SetParity)[0];
    settings_.parity = parity == 2 ? Parity::Odd : parity == 3 ? Parity::Even
                                                               : Parity::None;
    settings_.stopBits = protocol_.LastAnswer(Protocol::SetStopSize)[0] == 2 ? 2 : 1;
    return true;
}

bool Rfc2217CommDevice::AwaitAnswer(Command command, std::uint32_t answersBefore, const char* what)
{
    Clock& clock = Clock::Steady();
    const std::uint64_t deadline = clock.NowMs() + timing_.answerMs;
    while (protocol_.Answers(command) <= answersBefore) {
        const int waitMs = ReadWait::MsUntil(deadline, clock.NowMs());
        if (waitMs == 0)
            return Fail(peer_ + " did not answer the request for " + what + " within " + Seconds(timing_.answerMs) + " (timed out)");
        if (!Pump(waitMs)) return false;
    }
    return true;
}

bool Rfc2217CommDevice::Pump(int waitMs)
{
    if (lost_) return false;
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, waitMs);
    if (ready < 0) return errno == EINTR || Lost(ErrorText(errno));
    if (ready == 0) return true;

    std::uint8_t buffer[4096];
    const ssize_t got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0) {
        if (errno == EAGAIN || errno == EINTR) return true;
        return Lost(ErrorText(errno));
    }
    if (got == 0) return Lost(peer_ + " closed it");
    if (dataStart_ > 0 && dataStart_ == data_.size()) {
        data_.clear();
        dataStart_ = 0;
    }
    protocol_.Receive(buffer, static_cast<std::size_t>(got), data_);
    // Answers go out from the outermost call only: sending one may take in more.
    if (sendingReplies_) return true;
    sendingReplies_ = true;
    bool sent = true;
    for (Bytes replies = protocol_.TakeReplies(); sent && !replies.empty(); replies = protocol_.TakeReplies())
        sent = SendCommand(replies);
    sendingReplies_ = false;
    return sent;
}

long Rfc2217CommDevice::SendSome(const std::uint8_t* bytes, std::size_t count, std::uint64_t deadline)
{
    Clock& clock = Clock::Steady();
    std::size_t sent = 0;
    while (sent < count) {
        const ssize_t n = ::send(fd_, bytes + sent, count - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            Lost(ErrorText(errno));
            return -1;
        }
        // The connection is full: wait for room, taking in what the server sends meanwhile
        // so that neither side waits for the other.
        int waitMs = -1;
        if (deadline != 0) {
            waitMs = ReadWait::MsUntil(deadline, clock.NowMs());
            if (waitMs == 0) break;
        }
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, std::min(waitMs < 0 ? 50 : waitMs, 50)) < 0 && errno != EINTR) {
            Lost(ErrorText(errno));
            return -1;
        }
        if ((p.revents & POLLOUT) == 0 && !Pump(0)) return -1;
    }
    return static_cast<long>(sent);
}

bool Rfc2217CommDevice::SendCommand(const Bytes& bytes)
{
    const std::uint64_t deadline = Clock::Steady().NowMs() + timing_.answerMs;
    const long sent = SendSome(bytes.data(), bytes.size(), deadline);
    if (sent < 0) return false;
    if (static_cast<std::size_t>(sent) < bytes.size())
        return Lost(peer_ + " takes nothing in (timed out)");  // the stream is cut mid-command
    return true;
}

void Rfc2217CommDevice::Close()
{
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    lost_ = false;
    data_.clear();
    dataStart_ = 0;
}

bool Rfc2217CommDevice::GetSettings(CommSettings& out)
{
    if (!Usable()) return false;
    out = settings_;
    return true;
}

bool Rfc2217CommDevice::SetSettings(const CommSettings& s)
{
    if (!Usable()) return false;
    // The same line settings as a tty takes: the server's line is one.
    if (TermiosCommDevice::SpeedFor(s.baudRate) == B0 || s.dataBits < 5 || s.dataBits > 8 || (s.stopBits != 1 && s.stopBits != 2) || s.rtsControl < 0 || s.rtsControl > 2 || s.dtrControl < 0 || s.dtrControl > 1)
        return Fail(ErrorText(EINVAL));

    const std::uint32_t rateAnswers = protocol_.Answers(Protocol::SetBaudRate);
    const std::uint32_t sizeAnswers = protocol_.Answers(Protocol::SetDataSize);
    const std::uint32_t parityAnswers = protocol_.Answers(Protocol::SetParity);
    const std::uint32_t stopAnswers = protocol_.Answers(Protocol::SetStopSize);
    const std::uint8_t parity = s.parity == Parity::Odd ? 2 : s.parity == Parity::Even ? 3
                                                                                       : 1;
    Bytes commands;
    Protocol::AppendBaudRate(commands, s.baudRate);
    Protocol::AppendCommand(commands, Protocol::SetDataSize, {s.dataBits});
    Protocol::AppendCommand(commands, Protocol::SetParity, {parity});
    Protocol::AppendCommand(commands, Protocol::SetStopSize, {s.stopBits});
    // As on a tty: hardware flow only for CTS output flow, and RTS left to it then.
    Protocol::AppendCommand(commands, Protocol::SetControl,
                            {s.ctsOutFlow ? Protocol::OutboundFlowHardware : Protocol::OutboundFlowNone});
    if (s.rtsControl != 2 || !s.ctsOutFlow)
        Protocol::AppendCommand(commands, Protocol::SetControl, {s.rtsControl != 0 ? Protocol::RtsOn : Protocol::RtsOff});
    Protocol::AppendCommand(commands, Protocol::SetControl, {s.dtrControl == 1 ? Protocol::DtrOn : Protocol::DtrOff});
    if (!SendCommand(commands) || !AwaitAnswer(Protocol::SetBaudRate, rateAnswers, "the line's rate") || !AwaitAnswer(Protocol::SetDataSize, sizeAnswers, "the data size") || !AwaitAnswer(Protocol::SetParity, parityAnswers, "the parity") || !AwaitAnswer(Protocol::SetStopSize, stopAnswers, "the stop bits"))
        return false;

    settings_ = s;
    settings_.baudRate = protocol_.AnsweredBaudRate();
    if (settings_.baudRate != s.baudRate)
        return Fail(peer_ + " set its line to " + std::to_string(settings_.baudRate) + " baud instead of " + std::to_string(s.baudRate));
    return true;
}

void Rfc2217CommDevice::SetReadTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs)
{
    intervalMs_ = intervalMs;
    totalMs_ = totalMs;
}

std::size_t Rfc2217CommDevice::TakeData(std::uint8_t* buffer, std::size_t count)
{
    const std::size_t taken = std::min(count, data_.size() - dataStart_);
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(dataStart_), taken, buffer);
    dataStart_ += taken;
    return taken;
}

long Rfc2217CommDevice::Read(std::uint8_t* buffer, std::size_t count)
{
    if (!Usable() && dataStart_ == data_.size()) return -1;
    Clock& clock = Clock::Steady();
    const std::uint64_t start = clock.NowMs();
    std::uint64_t lastByteAt = start;
    std::size_t got = 0;
    for (;;) {
        if (const std::size_t taken = TakeData(buffer + got, count - got); taken > 0) {
            got += taken;
            lastByteAt = clock.NowMs();
        }
        if (got == count) break;
        // The data that came before the connection went is read first.
        if (lost_) return got > 0 ? static_cast<long>(got) : -1;

        const std::uint64_t now = clock.NowMs();
        const int waitMs = ReadWait::Left(start, lastByteAt, got, intervalMs_, totalMs_, now);
        const std::size_t before = data_.size() - dataStart_;
        if (!Pump(waitMs)) continue;  // reads what is left, then fails
        if (waitMs == 0 && data_.size() - dataStart_ == before) break;
    }
    return static_cast<long>(got);
}

long Rfc2217CommDevice::ReadArrived(std::uint8_t* buffer, std::size_t count, std::uint32_t waitMs)
{
    if (!Usable() && dataStart_ == data_.size()) return -1;
    Clock& clock = Clock::Steady();
    const std::uint64_t deadline = clock.NowMs() + waitMs;
    for (;;) {
        if (const std::size_t taken = TakeData(buffer, count); taken > 0 || count == 0)
            return static_cast<long>(taken);
        if (lost_) return -1;
        const int leftMs = ReadWait::MsUntil(deadline, clock.NowMs());
        const std::size_t before = data_.size() - dataStart_;
        if (!Pump(leftMs)) continue;  // reads what is left, then fails
        if (leftMs == 0 && data_.size() - dataStart_ == before) return 0;
    }
}

long Rfc2217CommDevice::Write(const std::uint8_t* data, std::size_t count, std::uint32_t writeTimeoutMs)
{
    if (!Usable()) return -1;
    Clock& clock = Clock::Steady();
    const std::uint64_t deadline = writeTimeoutMs != 0 ? clock.NowMs() + writeTimeoutMs : 0;
    Bytes encoded;
    Protocol::AppendData(encoded, data, count);
    const long sent = SendSome(encoded.data(), encoded.size(), deadline);
    if (sent < 0) return -1;

    // The data bytes whose encoding went out whole; half of a doubled 0xFF cannot stay
    // behind, or the next byte would be taken for a command.
    std::size_t written = 0;
    for (std::size_t used = 0; written < count; ++written) {
        const std::size_t length = data[written] == Protocol::kIac ? 2 : 1;
        if (used + length > static_cast<std::size_t>(sent)) {
            if (used < static_cast<std::size_t>(sent)) {
                if (!SendCommand({Protocol::kIac})) return written > 0 ? static_cast<long>(written) : -1;
                ++written;
            }
            break;
        }
        used += length;
    }

    const std::uint64_t nowUs = clock.NowMs() * 1000;
    const std::uint64_t rate = settings_.baudRate > 0 ? settings_.baudRate : 300;
    lineFreeAtUs_ = std::max(lineFreeAtUs_, nowUs) + written * 10 * 1000000 / rate;
    return static_cast<long>(written);
}

bool Rfc2217CommDevice::Escape(EscapeFunction f)
{
    if (!Usable()) return false;
    Protocol::Control control = Protocol::RtsOn;
    switch (f) {
    case EscapeFunction::SetRts: control = Protocol::RtsOn; break;
    case EscapeFunction::ClrRts: control = Protocol::RtsOff; break;
    case EscapeFunction::SetDtr: control = Protocol::DtrOn; break;
    case EscapeFunction::ClrDtr: control = Protocol::DtrOff; break;
    }
    Bytes command;
    Protocol::AppendCommand(command, Protocol::SetControl, {control});
    return SendCommand(command);
}

bool Rfc2217CommDevice::GetModemStatus(std::uint32_t& status)
{
    if (!Usable() || !Pump(0)) return false;
    status = protocol_.ModemState() & (ModemCts | ModemDsr | ModemRing | ModemRlsd);
    return true;
}

// Drops what has come, and has the server drop what it holds for us; what arrives
// before the server confirms was on its way before the purge.
bool Rfc2217CommDevice::PurgeInput()
{
    if (!Usable()) return false;
    data_.clear();
    dataStart_ = 0;
    const std::uint32_t answers = protocol_.Answers(Protocol::PurgeData);
    Bytes command;
    Protocol::AppendCommand(command, Protocol::PurgeData, {Protocol::PurgeReceived});
    if (!SendCommand(command) || !AwaitAnswer(Protocol::PurgeData, answers, "a purge")) return false;
    // Nothing is read meanwhile, so data_ has only grown since it was emptied.
    dataStart_ = std::min(protocol_.DataBeforeLastAnswer(Protocol::PurgeData), data_.size());
    return true;
}

bool Rfc2217CommDevice::WaitTransmitterEmpty(std::uint32_t timeoutMs)
{
    if (!Usable()) return false;
    Clock& clock = Clock::Steady();
    const std::uint64_t deadline = clock.NowMs() + timeoutMs;
    for (;;) {
        int unacknowledged = 0;
        if (::ioctl(fd_, SIOCOUTQ, &unacknowledged) != 0) return Fail(ErrorText(errno));
        if (unacknowledged == 0 && clock.NowMs() * 1000 >= lineFreeAtUs_) return true;
        if (clock.NowMs() >= deadline) return Fail(ErrorText(ETIMEDOUT));
        clock.SleepMs(1);
    }
}
