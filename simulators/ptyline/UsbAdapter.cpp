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

// The timer and the chunk are looked at byte by byte, in the order the bytes arrive, so
// that bytes held a little after their time still go in the USB packet they belong to.
void UsbAdapter::Hold(std::span<const std::uint8_t> bytes, Clock::time_point now)
{
    for (const std::uint8_t b : bytes) {
        if (Held() > 0 && now >= firstHeldAt_ + settings_.latency)
            released_ = bytes_.size();  // the timer ran out before this byte came
        if (Held() == 0)
            firstHeldAt_ = now;
        bytes_.push_back(b);
        if (Held() >= settings_.chunkBytes)
            released_ = bytes_.size();  // a full chunk goes at once
    }
}

std::vector<std::uint8_t> UsbAdapter::Release(Clock::time_point now)
{
    if (Held() > 0 && now >= firstHeldAt_ + settings_.latency)
        released_ = bytes_.size();
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
