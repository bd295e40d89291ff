#pragma once

#include "platform/ParallelPort.h"

#include <string>

// A parallel port simulated by another program that serves it on a Unix stream
// socket, one request at a time. The bytes are tabled in docs/fourwire21xx.md
// ("Simulated target"); the constants below are their names.
class SocketParallelPort : public ParallelPort {
public:
    static constexpr char kAccepted = 'K';
    static constexpr char kBusy = 'B';
    static constexpr char kWrite = 'W';
    static constexpr char kRead = 'R';

    SocketParallelPort() = default;
    ~SocketParallelPort() override;
    SocketParallelPort(const SocketParallelPort&) = delete;
    SocketParallelPort& operator=(const SocketParallelPort&) = delete;

    // Connects to the socket at `path` and waits for the server's greeting; false
    // with a text saying why.
    bool Connect(const std::string& path, std::string& error);

    bool WriteData(std::uint8_t value) override;
    bool ReadStatus(std::uint8_t& status) override;

private:
    bool SendAll(const std::uint8_t* data, std::size_t count);
    void Drop();  // the server went away: every later access fails

    int fd_ = -1;
};
