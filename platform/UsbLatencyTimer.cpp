#include "platform/UsbLatencyTimer.h"

#include <filesystem>
#include <fstream>
#include <system_error>

std::optional<int> UsbLatencyTimer::ReadMs(const std::string& devicePath, const std::string& sysfsRoot)
{
    std::error_code error;
    const std::filesystem::path device = std::filesystem::canonical(devicePath, error);
    if (error) return std::nullopt;
    std::ifstream file(sysfsRoot + "/class/tty/" + device.filename().string() + "/device/latency_timer");
    int ms = 0;
    if (!(file >> ms) || ms < 0) return std::nullopt;
    return ms;
}

std::string UsbLatencyTimer::Warning(const std::string& devicePath, const std::string& sysfsRoot)
{
    const std::optional<int> ms = ReadMs(devicePath, sysfsRoot);
    if (!ms || *ms <= kHighestGoodMs) return {};
    std::error_code error;
    const std::string name = std::filesystem::canonical(devicePath, error).filename().string();
    return name + ": the USB adapter's latency timer is " + std::to_string(*ms) +
           " ms, so every reply can wait that long (its driver did not take low-latency mode). "
           "Set it to 1 ms: echo 1 | sudo tee /sys/class/tty/" +
           name +
           "/device/latency_timer, or for good with the udev rule in docs/usb-adapters.md (example file " +
           kRuleExample + ")";
}
