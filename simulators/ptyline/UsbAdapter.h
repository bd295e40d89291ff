#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// The PC's side of a USB serial adapter, as far as timing goes. Bytes the device
// sends towards the PC gather in the adapter until a chunk of them is full or its
// latency timer, started by the first byte held, runs out; only then does the PC see
// them. Bytes the PC sends leave the adapter at the next 1 ms USB frame.
//
// Presets (see docs/usb-adapters.md for where the figures come from):
//   ftdi               16 ms, 62-byte chunks (a 64-byte packet less 2 status bytes)
//   ftdi-low-latency    1 ms, 62-byte chunks (the driver's low-latency mode)
//   cp210x              2 ms, 64-byte chunks
// A real chip's timer may run on its own beat, so a reply can come sooner than the
// latency; the model takes the worst case, the one users notice.
class UsbAdapter {
public:
    using Clock = std::chrono::steady_clock;

    struct Settings {
        std::chrono::milliseconds latency{16};
        std::size_t chunkBytes = 62;
    };

    static constexpr std::chrono::milliseconds kUsbFrame{1};

    // The settings of a preset name; nullopt for an unknown name.
    static std::optional<Settings> Preset(std::string_view name);
    // "ftdi, ftdi-low-latency or cp210x", for usage and error texts.
    static const char* PresetNames();

    // USB frames are counted from `frameZero`.
    UsbAdapter(Settings settings, Clock::time_point frameZero);

    // Bytes from the device reach the adapter at `now`.
    void Hold(std::span<const std::uint8_t> bytes, Clock::time_point now);
    // The bytes the adapter has passed on to the PC by `now`, oldest first; they stay
    // until Drop(), so that a PC that takes only some of them gets the rest later.
    std::vector<std::uint8_t> Release(Clock::time_point now);
    void Drop(std::size_t count);
    // When the bytes held now go to the PC unless a chunk fills first.
    std::optional<Clock::time_point> NextRelease() const;
    std::size_t Held() const { return bytes_.size() - released_; }

    // When bytes the PC hands over at `now` start on the line: the next USB frame.
    Clock::time_point NextFrame(Clock::time_point now) const;

private:
    Settings settings_;
    Clock::time_point frameZero_;
    std::deque<std::uint8_t> bytes_;  // released ones first, then the held ones
    std::size_t released_ = 0;
    Clock::time_point firstHeldAt_{};
};
