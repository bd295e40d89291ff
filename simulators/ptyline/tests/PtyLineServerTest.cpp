#include "simulators/ptyline/PtyLineServer.h"

#include "platform/PtyPair.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Answers every byte b with b + 1; a byte 0x4C ('L') asks for a late answer.
class CountingDevice : public ByteDevice {
public:
    void Receive(std::span<const std::uint8_t> bytes) override
    {
        std::lock_guard lock(mutex_);
        for (std::uint8_t b : bytes)
            output_.push_back({{static_cast<std::uint8_t>(b + 1)}, b == 'L'});
    }
    std::vector<Output> TakeOutput() override
    {
        std::lock_guard lock(mutex_);
        std::vector<Output> taken;
        taken.swap(output_);
        return taken;
    }

private:
    std::mutex mutex_;
    std::vector<Output> output_;
};

class PtyLineServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        slave = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(slave, 0);
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    void TearDown() override
    {
        server.Stop();
        ::close(slave);
    }

    std::vector<std::uint8_t> Read(std::size_t count)
    {
        std::vector<std::uint8_t> bytes;
        std::uint8_t buffer[64];
        pollfd p{slave, POLLIN, 0};
        while (bytes.size() < count && ::poll(&p, 1, 10000) > 0) {
            const ssize_t n = ::read(slave, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0)
                break;
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    PtyPair pty;
    CountingDevice device;
    PtyLineServer server{device, pty.masterFd()};
    int slave = -1;
};

TEST_F(PtyLineServerTest, BytesReachTheDeviceAndItsAnswersComeBack)
{
    ASSERT_TRUE(server.Start());
    EXPECT_FALSE(server.Start());
    const std::uint8_t sent[] = {1, 2, 3};
    ASSERT_EQ(::write(slave, sent, sizeof sent), 3);
    EXPECT_EQ(Read(3), (std::vector<std::uint8_t>{2, 3, 4}));
    server.Stop();  // the counters are final once the serving thread has ended
    EXPECT_EQ(server.BytesReceived(), 3u);
    EXPECT_EQ(server.BytesSent(), 3u);
    EXPECT_FALSE(server.LineLost());
}

TEST_F(PtyLineServerTest, LateOutputHoldsBackWhatFollowsIt)
{
    server.SetLateDelay(std::chrono::milliseconds(30));
    ASSERT_TRUE(server.Start());
    const std::uint8_t sent[] = {'L', 7};
    ASSERT_EQ(::write(slave, sent, sizeof sent), 2);
    EXPECT_EQ(Read(2), (std::vector<std::uint8_t>{'M', 8}));
}

TEST_F(PtyLineServerTest, StopAndStartAgain)
{
    ASSERT_TRUE(server.Start());
    server.Stop();
    EXPECT_FALSE(server.Running());
    ASSERT_TRUE(server.Start());
    const std::uint8_t sent[] = {9};
    ASSERT_EQ(::write(slave, sent, 1), 1);
    EXPECT_EQ(Read(1), std::vector<std::uint8_t>{10});
}

TEST(PtyLineServerStartTest, RefusesAnInvalidDescriptor)
{
    CountingDevice device;
    PtyLineServer server(device, -1);
    EXPECT_FALSE(server.Start());
}

}  // namespace
