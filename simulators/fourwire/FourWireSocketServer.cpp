#include "simulators/fourwire/FourWireSocketServer.h"

#include "simulators/fourwire/FourWireTarget.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t kGreetingFree = 'K';
constexpr std::uint8_t kGreetingBusy = 'B';
constexpr std::uint8_t kWriteRequest = 'W';
constexpr std::uint8_t kReadRequest = 'R';

bool SendAll(int fd, const std::uint8_t* data, std::size_t count)
{
    while (count > 0) {
        const ssize_t sent = send(fd, data, count, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        count -= static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace

FourWireSocketServer::~FourWireSocketServer()
{
    DropClient();
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(path_.c_str());
    }
}

bool FourWireSocketServer::Listen(const std::string& path, std::string& error)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        error = "socket path too long: " + path;
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    unlink(path.c_str());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 4) != 0) {
        error = "cannot serve " + path + ": " + std::strerror(errno);
        close(fd);
        return false;
    }
    listenFd_ = fd;
    path_ = path;
    return true;
}

void FourWireSocketServer::Serve(int stopFd)
{
    std::vector<std::uint8_t> answers;
    std::uint8_t buffer[4096];
    for (;;) {
        pollfd fds[3] = {{stopFd, POLLIN, 0}, {listenFd_, POLLIN, 0}, {clientFd_, POLLIN, 0}};
        const nfds_t count = clientFd_ >= 0 ? 3 : 2;
        if (poll(fds, count, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents != 0)
            return;
        if (fds[1].revents & POLLIN)
            Accept();
        if (count == 3 && fds[2].revents != 0) {
            const ssize_t got = recv(clientFd_, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR)
                continue;
            answers.clear();
            if (got <= 0 || !Handle(buffer, static_cast<std::size_t>(got), answers) || !SendAll(clientFd_, answers.data(), answers.size()))
                DropClient();
        }
    }
}

void FourWireSocketServer::Accept()
{
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    if (clientFd_ >= 0) {
        SendAll(fd, &kGreetingBusy, 1);
        close(fd);
        return;
    }
    if (!SendAll(fd, &kGreetingFree, 1)) {
        close(fd);
        return;
    }
    clientFd_ = fd;
    awaitingValue_ = false;
}

bool FourWireSocketServer::Handle(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& answers)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (awaitingValue_) {
            target_.WriteDataRegister(bytes[i]);
            awaitingValue_ = false;
        } else if (bytes[i] == kWriteRequest) {
            awaitingValue_ = true;
        } else if (bytes[i] == kReadRequest) {
            answers.push_back(target_.ReadStatusRegister());
        } else {
            return false;
        }
    }
    return true;
}

void FourWireSocketServer::DropClient()
{
    if (clientFd_ >= 0)
        close(clientFd_);
    clientFd_ = -1;
    awaitingValue_ = false;
}
