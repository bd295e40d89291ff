#include "simulators/ptyline/UsbAdapter.h"

#include <algorithm>

namespace {

struct PresetEntry {
    std::string_view name;
    UsbAdapter::Settings settings;
};

using std::chrono::milliseconds;

constexpr PresetEntry kPresets[] = {
    {"ftdi", {milliseconds(16), 62}},
    {"ftdi-low-latency", {milliseconds(1), 62}},
    {"cp210x", {milliseconds(2), 64}},
};

}  // namespace

std::optional<UsbAdapter::Settings> UsbAdapter::Preset(std::string_view name)
{
    for (const PresetEntry& preset : kPresets) {
        if (preset.name == name)
            return preset.settings;
    }
    return std::nullopt;
}

const char* UsbAdapter::PresetNames()
{
    return "ftdi, ftdi-low-latency or cp210x";
}

UsbAdapter::UsbAdapter(Settings settings, Clock::time_point frameZero)
    : settings_(settings), frameZero_(frameZero)
{
    settings_.chunkBytes = std::max<std::size_t>(settings_.chunkBytes, 1);
}

void UsbAdapter::Hold(std::span<const std::uint8_t> bytes, Clock::time_point now)
{
    if (bytes.empty())
        return;
    if (Held() == 0)
        firstHeldAt_ = now;
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> UsbAdapter::Release(Clock::time_point now)
{
    if (Held() > 0 && now >= firstHeldAt_ + settings_.latency) {
        released_ = bytes_.size();
    } else if (Held() >= settings_.chunkBytes) {
        // Full chunks go at once; the bytes left over start the timer afresh.
        released_ += Held() / settings_.chunkBytes * settings_.chunkBytes;
        firstHeldAt_ = now;
    }
    return std::vector<std::uint8_t>(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(released_));
}

void UsbAdapter::Drop(std::size_t count)
{
    count = std::min(count, released_);
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(count));
    released_ -= count;
}

std::optional<UsbAdapter::Clock::time_point> UsbAdapter::NextRelease() const
{
    if (Held() == 0)
        return std::nullopt;
    return firstHeldAt_ + settings_.latency;
}

UsbAdapter::Clock::time_point UsbAdapter::NextFrame(Clock::time_point now) const
{
    if (now < frameZero_)
        return frameZero_;
    const auto frames = (now - frameZero_) / kUsbFrame;
    return frameZero_ + (frames + 1) * kUsbFrame;
}
