#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A pseudo-terminal for tests and simulated devices: the master is the device's end,
// the slave path is what the programs open (directly or through the port map).
// Both ends are in raw mode. The pair keeps a descriptor of the slave open for its whole
// life, so that the master stays usable while the programs open and close the slave.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    int masterFd() const { return master_; }
    std::string slavePath() const { return slavePath_; }

    // The line vanishes: the programs' side then sees POLLHUP and failing reads.
    void CloseMaster();

    // Writes all bytes to the master; false when that failed.
    bool Send(const std::vector<std::uint8_t>& bytes);
    // Reads from the master until `count` bytes arrived or `timeoutMs` passed without one.
    std::vector<std::uint8_t> Receive(std::size_t count, int timeoutMs);

private:
    int master_ = -1;
    int slaveHold_ = -1;
    std::string slavePath_;
};
