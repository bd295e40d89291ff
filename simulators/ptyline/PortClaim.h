#pragma once

#include <string>
#include <string_view>

// A simulator's own entry in the port map. It is made only where the port has no link,
// where the link already points at the simulator's own line, or where the link is stale:
// it points at a pseudo-terminal (/dev/pts/N) that no longer exists, as a killed simulator
// leaves behind. Any other link (a real device, another simulator's live line, a socket)
// is someone else's, and the claim fails naming it; a link to a live pseudo-terminal is
// given two seconds to go first, as a simulator that was just told to end removes its own. The link is removed again only while
// it still points at the line claimed; the dosdevices folder, once made, stays, since
// without it port names would fall back to the machine's own serial ports.
class PortClaim {
public:
    PortClaim() = default;
    ~PortClaim();
    PortClaim(const PortClaim&) = delete;
    PortClaim& operator=(const PortClaim&) = delete;

    // Links `port` to `target`; false with `error` set when the port is taken or the link
    // cannot be made.
    bool Claim(std::string_view port, const std::string& target, std::string& error);
    // Removes the link if it still points at the target claimed.
    void Release();

private:
    std::string port_;
    std::string target_;
};
