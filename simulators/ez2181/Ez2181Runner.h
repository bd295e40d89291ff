#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

class Ez2181Simulator;

// Serves a simulated board on a file descriptor (the master side of a
// pseudo-terminal) on a thread of its own: bytes read from the line go to the
// board, the board's output goes back onto the line.
//
// Pacing: with a baud rate other than 0, each direction of the line carries
// one byte per 10 bit times, as an 8N1 line does. The board's answer to a
// request begins one byte time after the request's last byte would have
// arrived over the line from the PC (the line from the PC being busy with the
// bytes before it), and each further byte leaves one byte time after the one
// before it. The board itself takes the request bytes as soon as they are
// read, so a test may see its state change before the answer leaves. With
// rate 0 bytes pass as fast as they come.
//
// Matching rate (off by default): with a pacing rate set, bytes cross the line
// only while the PC's side of the pseudo-terminal is set to that same rate, as
// a board listening at one rate hears nothing sensible from a PC at another;
// bytes sent or received at a wrong rate are lost.
//
// A frame left half-received for longer than the frame time-out is given up,
// as the monitor does when the line goes quiet in the middle of a frame.
//
// The runner neither owns nor closes the descriptor. To make the line vanish,
// Stop() the runner first, then close the master.
class Ez2181Runner {
public:
    Ez2181Runner(Ez2181Simulator& board, int lineFd, std::uint32_t baud = 0);
    ~Ez2181Runner();
    Ez2181Runner(const Ez2181Runner&) = delete;
    Ez2181Runner& operator=(const Ez2181Runner&) = delete;

    // Starts serving; false when already running or the line is unusable.
    bool Start();
    // Stops serving and waits for the thread; output not yet sent is dropped.
    void Stop();
    bool Running() const { return thread_.joinable(); }

    // Takes effect for bytes that enter or leave the line from now on.
    void SetBaud(std::uint32_t baud) { baud_ = baud; }
    std::uint32_t Baud() const { return baud_; }
    void SetFrameTimeout(std::chrono::milliseconds timeout) { frameTimeoutMs_ = timeout.count(); }
    void SetRequireMatchingRate(bool on) { requireMatchingRate_ = on; }

    // Bytes that crossed the line in each direction since Start().
    std::uint64_t BytesReceived() const { return bytesReceived_; }
    std::uint64_t BytesSent() const { return bytesSent_; }
    // Bytes lost because the PC's rate did not match the board's.
    std::uint64_t BytesGarbled() const { return bytesGarbled_; }
    // True once the line failed (the master was closed or gave an error).
    bool LineLost() const { return lineLost_; }

private:
    class Waker;

    void Serve();
    bool RatesDiffer() const;

    Ez2181Simulator& board_;
    int lineFd_;
    int savedLineFlags_ = 0;
    std::shared_ptr<Waker> waker_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint32_t> baud_;
    std::atomic<std::int64_t> frameTimeoutMs_{500};
    std::atomic<std::uint64_t> bytesReceived_{0};
    std::atomic<std::uint64_t> bytesSent_{0};
    std::atomic<std::uint64_t> bytesGarbled_{0};
    std::atomic<bool> requireMatchingRate_{false};
    std::atomic<bool> lineLost_{false};
};
