#pragma once

#include <linux/serial.h>

#include <optional>

// Asks a tty's driver for low-latency mode (ASYNC_LOW_LATENCY through TIOCGSERIAL and
// TIOCSSERIAL; a USB adapter's driver then hands received bytes over sooner, the FTDI
// one by setting the chip's latency timer to 1 ms) and puts the driver's flags back as
// they were. A driver that refuses (a pseudo-terminal, most built-in UARTs) leaves
// nothing to put back and is no failure.
class LowLatencyMode {
public:
    // The two driver requests, behind an interface so that a test can stand in for a
    // driver that takes them: no virtual tty of the kernel does.
    class Driver {
    public:
        virtual ~Driver() = default;
        // 0, or -1 with errno set, as ioctl() returns.
        virtual int GetSerial(int fd, serial_struct& out) = 0;
        virtual int SetSerial(int fd, const serial_struct& in) = 0;
    };
    // The kernel's ioctl() calls.
    static Driver& Kernel();

    explicit LowLatencyMode(Driver& driver = Kernel()) : driver_(driver) {}

    // True when the driver now runs the line in low-latency mode.
    bool Request(int fd);
    // Puts back the flags Request() changed; nothing when it changed none.
    void Restore(int fd);

private:
    Driver& driver_;
    std::optional<int> flagsBefore_;
};
