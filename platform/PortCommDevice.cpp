#include "platform/PortCommDevice.h"

#include <filesystem>
#include <system_error>

std::string PortCommDevice::NetworkAddress(const std::string& path)
{
    if (Rfc2217CommDevice::NamesNetworkPort(path)) return path;
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(path, error).string();
    return !error && Rfc2217CommDevice::NamesNetworkPort(target) ? target : std::string();
}

bool PortCommDevice::Open(const std::string& path)
{
    line_->Close();
    const std::string address = NetworkAddress(path);
    line_ = address.empty() ? static_cast<CommDevice*>(&tty_) : &network_;
    return line_->Open(address.empty() ? path : address);
}

// Both lines keep the time-outs, so that they hold whichever line the next Open picks.
void PortCommDevice::SetReadTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs)
{
    tty_.SetReadTimeouts(intervalMs, totalMs);
    network_.SetReadTimeouts(intervalMs, totalMs);
}
