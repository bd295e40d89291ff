#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

// Debian's ser2net serving one serial device over RFC 2217 on 127.0.0.1 only, for tests
// and benchmarks: the configuration (the one docs/network-ports.md shows) is written
// to `folder`, ser2net runs in the foreground as a child process, its output goes to
// ser2net.log there, and the port it listens on is picked free on the first start
// and kept across restarts.
class Ser2netServer {
public:
    // The ser2net program, found on PATH or in /usr/sbin; empty when not installed.
    static std::string Program();
    // The YAML configuration serving `device` on 127.0.0.1:`port`.
    static std::string Configuration(const std::string& device, std::uint16_t port);

    Ser2netServer(std::string device, std::string folder);
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer&) = delete;
    Ser2netServer& operator=(const Ser2netServer&) = delete;

    // Starts ser2net and returns once it listens; false when it did not within 10 s.
    bool Start();
    // Ends ser2net at once (SIGKILL), as a crash or a pulled network cable would end
    // every connection, and waits for it.
    void Kill();
    bool Running() const { return pid_ > 0; }

    std::uint16_t Port() const { return port_; }
    // "rfc2217://127.0.0.1:PORT", the text of a port-map link to this server.
    std::string Address() const;

private:
    bool Listening() const;

    std::string device_;
    std::string folder_;
    std::uint16_t port_ = 0;
    pid_t pid_ = -1;
};
