#include "platform/tests/FakeCommDevice.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<std::string>;

TEST(FakeCommDeviceTest, RecordsWhatReachesTheLineInOrder)
{
    FakeCommDevice device;
    ASSERT_TRUE(device.Open("/dev/ttyS0"));
    const Bytes bytes = {0x41, 0x0A};
    device.Escape(EscapeFunction::ClrRts);
    EXPECT_EQ(device.Write(bytes.data(), bytes.size()), 2);
    EXPECT_TRUE(device.WaitTransmitterEmpty(30));
    device.Escape(EscapeFunction::SetRts);
    device.Escape(EscapeFunction::SetDtr);
    EXPECT_EQ(device.events(), (Events{"CLRRTS", "write 41 0A", "txempty", "SETRTS", "SETDTR"}));
    EXPECT_EQ(device.written(), bytes);
    EXPECT_EQ(device.lastTransmitterTimeoutMs(), 30u);
    EXPECT_TRUE(device.rts());
    EXPECT_TRUE(device.dtr());
}

TEST(FakeCommDeviceTest, ReadsTakeQueuedInputAndEndWhenNoneIsLeft)
{
    FakeCommDevice device;
    ASSERT_TRUE(device.Open("x"));
    device.QueueInput({1, 2, 3});
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(device.Read(buffer, 2), 2);
    EXPECT_EQ(buffer[1], 2);
    EXPECT_EQ(device.Read(buffer, 4), 1);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(device.Read(buffer, 1), 0);
}

TEST(FakeCommDeviceTest, FailuresCanBeArranged)
{
    FakeCommDevice device;
    device.FailOpen("Permission denied");
    EXPECT_FALSE(device.Open("x"));
    EXPECT_EQ(device.LastError(), "Permission denied");
    device.FailOpen("");
    ASSERT_TRUE(device.Open("x"));
    EXPECT_FALSE(device.Open("x"));
    EXPECT_EQ(device.LastError(), "Device or resource busy");

    device.FailWritesAfter(1);
    const Bytes bytes = {7, 8};
    EXPECT_EQ(device.Write(bytes.data(), 2), 1);
    EXPECT_EQ(device.Write(bytes.data(), 1), -1);
    EXPECT_EQ(device.written(), Bytes{7});

    device.TransmitterNeverEmpties(true);
    EXPECT_FALSE(device.WaitTransmitterEmpty(5));
    CommSettings settings;
    device.FailGetSettings(true);
    EXPECT_FALSE(device.GetSettings(settings));
    device.Close();
    std::uint8_t byte = 0;
    EXPECT_EQ(device.Read(&byte, 1), -1);
}
