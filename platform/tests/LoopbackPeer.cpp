#include "platform/tests/LoopbackPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Room for every connection a test makes before it counts them.
constexpr int kBacklog = 64;

}  // namespace

LoopbackPeer::LoopbackPeer(Kind kind)
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener_ < 0) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    if (kind == Kind::Listening && ::listen(listener_, kBacklog) != 0) return;
    port_ = ntohs(address.sin_port);
    if (kind == Kind::Refusing) {
        ::close(listener_);
        listener_ = -1;
    }
}

LoopbackPeer::~LoopbackPeer()
{
    Connections();
    if (listener_ >= 0) ::close(listener_);
}

std::string LoopbackPeer::HostAndPort() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

std::string LoopbackPeer::Address() const
{
    return "rfc2217://" + HostAndPort();
}

int LoopbackPeer::Connections()
{
    if (listener_ < 0) return connections_;
    for (int connection; (connection = ::accept(listener_, nullptr, nullptr)) >= 0;) {
        ::close(connection);
        ++connections_;
    }
    return connections_;
}
