#include "simulators/dspq47/Q47Unit.h"
#include "simulators/ptyline/PtyLinePort.h"

#include "platform/PortMap.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

namespace {

class Q47PtyLinePortTest : public ::testing::Test {
protected:
    std::vector<std::uint8_t> ReadUpTo(std::size_t count)
    {
        std::vector<std::uint8_t> bytes(count);
        line_.SetReadTimeouts(500, 2000);
        const long n = line_.Read(bytes.data(), bytes.size());
        bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return bytes;
    }

    void Write(const std::vector<std::uint8_t>& bytes)
    {
        ASSERT_EQ(line_.Write(bytes.data(), bytes.size(), 1000), static_cast<long>(bytes.size()));
    }

    ScopedConfigHome home_;
    Q47Unit unit_;
    PtyLinePort runner_{unit_};
    TermiosCommDevice line_;
};

}  // namespace

TEST_F(Q47PtyLinePortTest, ServesTheUnitOnThePortMapName)
{
    ASSERT_TRUE(runner_.Start("com3"));
    EXPECT_TRUE(std::filesystem::is_symlink(PortMap::LinkPath("com3")));
    EXPECT_EQ(std::filesystem::read_symlink(PortMap::LinkPath("com3")).string(), runner_.SlavePath());
    ASSERT_TRUE(line_.Open(PortMap::DevicePath("COM3")));
    Write({Q47Unit::kReadConfig});
    const std::vector<std::uint8_t> answer = ReadUpTo(Q47Unit::kStreamBytes);
    ASSERT_EQ(answer.size(), Q47Unit::kStreamBytes);
    EXPECT_EQ(answer[938], 0x42);
    EXPECT_EQ(answer[939], 0xD5);
}

TEST_F(Q47PtyLinePortTest, StopRemovesTheLink)
{
    ASSERT_TRUE(runner_.Start("com1"));
    runner_.Stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(PortMap::LinkPath("com1"))));
}

TEST_F(Q47PtyLinePortTest, HalfReceivedConfigurationIsGivenUpWhenTheLineGoesQuiet)
{
    ASSERT_TRUE(runner_.Start("com1"));
    ASSERT_TRUE(line_.Open(PortMap::DevicePath("com1")));
    std::vector<std::uint8_t> half(300, 0x00);
    half[0] = Q47Unit::kWriteConfig;
    Write(half);
    std::this_thread::sleep_for(Q47Unit::kStreamGiveUp * 2);
    Write({Q47Unit::kReadConfig});
    EXPECT_EQ(ReadUpTo(Q47Unit::kStreamBytes).size(), Q47Unit::kStreamBytes);
    EXPECT_EQ(unit_.StoredFields(), Q47Unit::FactoryFields());
}
