#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

// How long a serial read may still wait for its next bytes, for poll(): the read time-outs
// of CommDevice::SetReadTimeouts, shared by every device that implements them.
namespace ReadWait {

// Milliseconds from `now` to `deadline`, 0 once it has passed.
inline int MsUntil(std::uint64_t deadline, std::uint64_t now)
{
    if (now >= deadline) return 0;
    return static_cast<int>(std::min<std::uint64_t>(deadline - now, 1u << 30));
}

// For a read that began at `start` and holds `got` bytes, the last of them received at
// `lastByteAt`: the wait left under the total and interval limits (0 = none), -1 for none.
inline int Left(std::uint64_t start, std::uint64_t lastByteAt, std::size_t got, std::uint32_t intervalMs,
                std::uint32_t totalMs, std::uint64_t now)
{
    int waitMs = -1;
    if (totalMs != 0) waitMs = MsUntil(start + totalMs, now);
    if (intervalMs != 0 && got > 0) {
        const int intervalLeft = MsUntil(lastByteAt + intervalMs, now);
        waitMs = waitMs < 0 ? intervalLeft : std::min(waitMs, intervalLeft);
    }
    return waitMs;
}

}  // namespace ReadWait
