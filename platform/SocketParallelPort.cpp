#include "platform/SocketParallelPort.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

SocketParallelPort::~SocketParallelPort()
{
    Drop();
}

bool SocketParallelPort::Connect(const std::string& path, std::string& error)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        error = "the socket path is too long";
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        error = errno == ECONNREFUSED ? "no simulator is serving the port" : std::strerror(errno);
        close(fd);
        return false;
    }
    char greeting = 0;
    ssize_t got;
    do {
        got = recv(fd, &greeting, 1, 0);
    } while (got < 0 && errno == EINTR);
    if (got != 1 || greeting != kAccepted) {
        error = got == 1 && greeting == kBusy ? "the port is in use by another program"
                                              : "the simulator did not answer";
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool SocketParallelPort::WriteData(std::uint8_t value)
{
    const std::uint8_t request[2] = {static_cast<std::uint8_t>(kWrite), value};
    return SendAll(request, sizeof request);
}

bool SocketParallelPort::ReadStatus(std::uint8_t& status)
{
    const std::uint8_t request = static_cast<std::uint8_t>(kRead);
    if (!SendAll(&request, 1))
        return false;
    ssize_t got;
    do {
        got = recv(fd_, &status, 1, 0);
    } while (got < 0 && errno == EINTR);
    if (got != 1) {
        Drop();
        return false;
    }
    return true;
}

bool SocketParallelPort::SendAll(const std::uint8_t* data, std::size_t count)
{
    while (count > 0 && fd_ >= 0) {
        const ssize_t sent = send(fd_, data, count, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0) {
            Drop();
            return false;
        }
        data += sent;
        count -= static_cast<std::size_t>(sent);
    }
    return fd_ >= 0;
}

void SocketParallelPort::Drop()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}
