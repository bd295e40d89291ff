#pragma once

#include <optional>
#include <string>

// The latency timer of the USB serial adapter a device path leads to, as sysfs shows it
// (/sys/class/tty/<name>/device/latency_timer; FTDI chips have one). The adapter holds
// the bytes it receives until 62 of them have gathered or the timer runs out, so a board's
// short replies each wait up to that long.
class UsbLatencyTimer {
public:
    // Above this the adapter costs a request-and-reply protocol noticeably.
    static constexpr int kHighestGoodMs = 2;
    // The example rule that sets the timer to 1 ms whenever an adapter is plugged in.
    static constexpr const char* kRuleExample = "60-varnix-usb-serial.rules";

    // Milliseconds, the links of `devicePath` followed; nullopt where the device has no
    // such timer or it cannot be read. `sysfsRoot` is "/sys" but for tests.
    static std::optional<int> ReadMs(const std::string& devicePath, const std::string& sysfsRoot = "/sys");

    // The warning for a timer above kHighestGoodMs, with the fix; empty otherwise.
    static std::string Warning(const std::string& devicePath, const std::string& sysfsRoot = "/sys");
};
