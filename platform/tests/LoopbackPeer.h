#pragma once

#include <string>

// A TCP port on 127.0.0.1 for tests of failures on network ports, in one of two states:
// - Listening: the kernel completes every connection and nothing ever answers, as a
//   peer that is not a port server (or a hung one) behaves. Connections() counts the
//   connections made so far, so a test can tell how often a client tried.
// - Refusing: the port was bound and let go again, so a connection is refused.
class LoopbackPeer {
public:
    enum class Kind { Listening,
                      Refusing };
    explicit LoopbackPeer(Kind kind);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    bool ok() const { return port_ != 0; }
    // "rfc2217://127.0.0.1:PORT", the link text of a network port.
    std::string Address() const;
    std::string HostAndPort() const;
    // Takes every connection that has come in (closed ones too) and returns how many
    // came since the peer was made.
    int Connections();

private:
    int listener_ = -1;
    unsigned short port_ = 0;
    int connections_ = 0;
};
