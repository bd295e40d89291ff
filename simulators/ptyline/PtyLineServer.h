#pragma once

#include "simulators/ptyline/ByteDevice.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

// Serves a simulated device on the master side of a pseudo-terminal on a
// thread of its own: bytes from the line go to the device at once, its
// output goes back onto the line as soon as it is produced, late output
// after the late delay. The line is not paced: bytes pass as fast as the
// pseudo-terminal takes them. The server neither owns nor closes the
// descriptor; Stop() it before closing the master.
class PtyLineServer {
public:
    static constexpr std::chrono::milliseconds kDefaultLateDelay{1500};

    PtyLineServer(ByteDevice& device, int masterFd);
    ~PtyLineServer();
    PtyLineServer(const PtyLineServer&) = delete;
    PtyLineServer& operator=(const PtyLineServer&) = delete;

    // False when already running or the descriptor is unusable.
    bool Start();
    // Stops serving and waits for the thread; output not yet sent is dropped.
    void Stop();
    bool Running() const { return thread_.joinable(); }

    void SetLateDelay(std::chrono::milliseconds delay) { lateDelayMs_ = delay.count(); }

    std::uint64_t BytesReceived() const { return bytesReceived_; }
    std::uint64_t BytesSent() const { return bytesSent_; }
    // True once the line failed (the master was closed or gave an error).
    bool LineLost() const { return lineLost_; }

private:
    void Serve();

    ByteDevice& device_;
    int masterFd_;
    int wakeFd_ = -1;
    int savedFlags_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> lateDelayMs_{kDefaultLateDelay.count()};
    std::atomic<std::uint64_t> bytesReceived_{0};
    std::atomic<std::uint64_t> bytesSent_{0};
    std::atomic<bool> lineLost_{false};
};
