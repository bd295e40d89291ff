#include "platform/PortCommDevice.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

std::string_view WithoutBlanksAround(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

std::string PortCommDevice::NetworkAddress(const std::string& path)
{
    if (Rfc2217CommDevice::NamesNetworkPort(WithoutBlanksAround(path))) return std::string(WithoutBlanksAround(path));
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(path, error).string();
    const std::string_view address = WithoutBlanksAround(target);
    return !error && Rfc2217CommDevice::NamesNetworkPort(address) ? std::string(address) : std::string();
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
