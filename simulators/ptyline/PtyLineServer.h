#pragma once

#include "simulators/ptyline/ByteDevice.h"
#include "simulators/ptyline/UsbAdapter.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

// Serves a simulated device on the master side of a pseudo-terminal on a
// thread of its own: bytes from the line go to the device at once, its
// output goes back onto the line as soon as it is produced, late output
// after the late delay. The server neither owns nor closes the descriptor;
// Stop() it before closing the master.
//
// Pacing (off by default, rate 0): with a baud rate set, each direction of
// the line carries one byte per 10 bit times, as an 8N1 line does. The
// device's answer begins one byte time after the request's last byte would
// have arrived over the line from the PC (the line from the PC being busy
// with the bytes before it), and each further byte leaves one byte time after
// the one before it. The device itself takes the request bytes as soon as
// they are read, so a test may see its state change before the answer leaves.
// Unpaced, bytes pass as fast as the pseudo-terminal takes them.
//
// Matching rate (off by default): with a pacing rate set, bytes cross the
// line only while the PC's side of the pseudo-terminal is set to that same
// rate, as a device listening at one rate hears nothing sensible from a PC at
// another; bytes sent or received at a wrong rate are lost.
//
// USB adapter (off by default): with an adapter model set, the PC's side of the line
// behaves like a USB serial adapter's (UsbAdapter): the device's bytes reach the PC only
// when a chunk has gathered or the adapter's latency has run out, and the PC's bytes
// start on the line at the next USB frame. Pacing still applies on the line itself.
//
// A request the device has half received when the line has been quiet for
// the device's frame time-out is given up (ByteDevice::AbandonPartialFrame).
class PtyLineServer {
public:
    static constexpr std::chrono::milliseconds kDefaultLateDelay{1500};

    PtyLineServer(ByteDevice& device, int masterFd, std::uint32_t baud = 0);
    ~PtyLineServer();
    PtyLineServer(const PtyLineServer&) = delete;
    PtyLineServer& operator=(const PtyLineServer&) = delete;

    // False when already running or the descriptor is unusable.
    bool Start();
    // Stops serving and waits for the thread; output not yet sent is dropped.
    void Stop();
    bool Running() const { return thread_.joinable(); }

    void SetLateDelay(std::chrono::milliseconds delay) { lateDelayMs_ = delay.count(); }
    // Takes effect for bytes that enter or leave the line from now on.
    void SetBaud(std::uint32_t baud) { baud_ = baud; }
    std::uint32_t Baud() const { return baud_; }
    void SetRequireMatchingRate(bool on) { requireMatchingRate_ = on; }
    // Takes effect at the next Start(); nullopt for a line without an adapter.
    void SetAdapter(std::optional<UsbAdapter::Settings> adapter) { adapter_ = adapter; }

    // Bytes that crossed the line in each direction since Start().
    std::uint64_t BytesReceived() const { return bytesReceived_; }
    std::uint64_t BytesSent() const { return bytesSent_; }
    // Bytes lost because the PC's rate did not match the paced rate.
    std::uint64_t BytesGarbled() const { return bytesGarbled_; }
    // True once the line failed (the master was closed or gave an error).
    bool LineLost() const { return lineLost_; }

private:
    class Waker;
    struct ServeState;

    void Serve();
    // The turns of the serving loop.
    void TakeOutput(ServeState& state);
    void WriteDue(ServeState& state);
    short WaitForLine(ServeState& state);
    void ReadFromPc(ServeState& state);
    void DropWritten(ServeState& state, std::size_t count);
    bool RatesDiffer() const;

    ByteDevice& device_;
    int masterFd_;
    int savedFlags_ = 0;
    std::shared_ptr<Waker> waker_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> lateDelayMs_{kDefaultLateDelay.count()};
    std::atomic<std::uint32_t> baud_;
    std::atomic<bool> requireMatchingRate_{false};
    std::optional<UsbAdapter::Settings> adapter_;
    std::atomic<std::uint64_t> bytesReceived_{0};
    std::atomic<std::uint64_t> bytesSent_{0};
    std::atomic<std::uint64_t> bytesGarbled_{0};
    std::atomic<bool> lineLost_{false};
};
