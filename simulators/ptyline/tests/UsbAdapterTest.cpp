#include "simulators/ptyline/UsbAdapter.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

const UsbAdapter::Clock::time_point t0 = UsbAdapter::Clock::time_point{} + 1h;

Bytes Count(std::size_t n, std::uint8_t from = 0)
{
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(from + i);
    return bytes;
}

TEST(UsbAdapter, Presets)
{
    struct Case {
        const char* name;
        std::chrono::milliseconds latency;
        std::size_t chunk;
    };
    for (const Case& c : {Case{"ftdi", 16ms, 62}, Case{"ftdi-low-latency", 1ms, 62}, Case{"cp210x", 2ms, 64}}) {
        const auto settings = UsbAdapter::Preset(c.name);
        ASSERT_TRUE(settings) << c.name;
        EXPECT_EQ(settings->latency, c.latency) << c.name;
        EXPECT_EQ(settings->chunkBytes, c.chunk) << c.name;
    }
    EXPECT_FALSE(UsbAdapter::Preset("ch340"));
    EXPECT_FALSE(UsbAdapter::Preset("FTDI"));
}

TEST(UsbAdapter, AShortReplyWaitsForTheLatencyFromItsFirstByte)
{
    UsbAdapter adapter({16ms, 62}, t0);
    adapter.Hold(Bytes{1, 2}, t0);
    adapter.Hold(Bytes{3}, t0 + 5ms);  // a later byte does not restart the timer
    EXPECT_TRUE(adapter.Release(t0 + 15ms).empty());
    EXPECT_EQ(adapter.NextRelease(), t0 + 16ms);
    EXPECT_EQ(adapter.Release(t0 + 16ms), (Bytes{1, 2, 3}));
    EXPECT_FALSE(adapter.NextRelease());
    adapter.Drop(3);
    EXPECT_TRUE(adapter.Release(t0 + 40ms).empty());

    // The next byte starts a timer of its own.
    adapter.Hold(Bytes{4}, t0 + 50ms);
    EXPECT_EQ(adapter.NextRelease(), t0 + 66ms);
}

TEST(UsbAdapter, AFullChunkGoesAtOnceAndTheRestWaits)
{
    UsbAdapter adapter({16ms, 62}, t0);
    adapter.Hold(Count(60), t0);
    EXPECT_TRUE(adapter.Release(t0 + 3ms).empty());
    adapter.Hold(Count(70, 60), t0 + 4ms);  // 130 bytes: two chunks and 6 over
    EXPECT_EQ(adapter.Release(t0 + 4ms), Count(124));
    EXPECT_EQ(adapter.Held(), 6u);
    EXPECT_EQ(adapter.NextRelease(), t0 + 20ms);

    // The PC takes only part of what was released; the rest stays first in line.
    adapter.Drop(100);
    EXPECT_EQ(adapter.Release(t0 + 5ms), Count(24, 100));
    adapter.Drop(24);
    EXPECT_EQ(adapter.Release(t0 + 20ms), Count(6, 124));
}

TEST(UsbAdapter, AByteHeldAfterTheTimerRanOutGoesInTheNextPacket)
{
    // The bytes come in the order and at the times the line delivered them, even when
    // they are handed to the adapter only later, together.
    UsbAdapter adapter({1ms, 62}, t0);
    adapter.Hold(Bytes{1, 2}, t0);
    adapter.Hold(Bytes{3}, t0 + 1ms);  // the timer of 1 and 2 has just run out
    adapter.Hold(Bytes{4}, t0 + 1500us);
    EXPECT_EQ(adapter.Release(t0 + 1600us), (Bytes{1, 2}));
    EXPECT_EQ(adapter.NextRelease(), t0 + 2ms);
    adapter.Drop(2);
    EXPECT_EQ(adapter.Release(t0 + 2ms), (Bytes{3, 4}));
}

TEST(UsbAdapter, AChunkFillsByteByByte)
{
    UsbAdapter adapter({16ms, 4}, t0);
    adapter.Hold(Count(3), t0);
    adapter.Hold(Count(2, 3), t0 + 2ms);  // the fourth byte fills the chunk at 2 ms
    EXPECT_EQ(adapter.Release(t0 + 2ms), Count(4));
    EXPECT_EQ(adapter.NextRelease(), t0 + 18ms);  // the fifth byte's own timer
}

TEST(UsbAdapter, BytesFromThePcStartAtTheNextUsbFrame)
{
    UsbAdapter adapter({1ms, 62}, t0);
    EXPECT_EQ(adapter.NextFrame(t0), t0 + 1ms);
    EXPECT_EQ(adapter.NextFrame(t0 + 300us), t0 + 1ms);
    EXPECT_EQ(adapter.NextFrame(t0 + 1ms), t0 + 2ms);
    EXPECT_EQ(adapter.NextFrame(t0 + 7ms + 999us), t0 + 8ms);
}

TEST(UsbAdapter, NoLatencyPassesBytesOnAsTheyCome)
{
    UsbAdapter adapter({0ms, 62}, t0);
    adapter.Hold(Bytes{9}, t0);
    EXPECT_EQ(adapter.Release(t0), Bytes{9});
}

}  // namespace
