#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FourWireTarget;

// Serves the simulated target's port to one client at a time on a Unix stream
// socket, so that a program in another process (the monitor server, through
// its port map) drives the target's lines. The bytes on the socket are tabled
// in docs/fourwire21xx.md, section "Simulated target: fourwire-sim".
class FourWireSocketServer {
public:
    explicit FourWireSocketServer(FourWireTarget& target) : target_(target) {}
    ~FourWireSocketServer();
    FourWireSocketServer(const FourWireSocketServer&) = delete;
    FourWireSocketServer& operator=(const FourWireSocketServer&) = delete;

    // Creates the socket at `path` (an old socket file there is replaced).
    bool Listen(const std::string& path, std::string& error);
    // Serves until `stopFd` becomes readable (or reports a hang-up).
    void Serve(int stopFd);

    const std::string& path() const { return path_; }

private:
    void Accept();
    // Carries out the requests in `bytes`; false when the client broke the rules.
    bool Handle(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& answers);
    void DropClient();

    FourWireTarget& target_;
    std::string path_;
    int listenFd_ = -1;
    int clientFd_ = -1;
    bool awaitingValue_ = false;  // a 'W' came without its value yet
};
