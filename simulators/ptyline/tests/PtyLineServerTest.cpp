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

// Answers a byte n with n bytes.
class ChattyDevice : public ByteDevice {
public:
    void Receive(std::span<const std::uint8_t> bytes) override
    {
        std::lock_guard lock(mutex_);
        for (std::uint8_t b : bytes)
            output_.insert(output_.end(), b, 0x55);
    }
    std::vector<Output> TakeOutput() override
    {
        std::lock_guard lock(mutex_);
        return TakeAsOnePiece(output_);
    }

private:
    std::mutex mutex_;
    std::vector<std::uint8_t> output_;
};

// A device served on a pseudo-terminal whose other end, raw, is the test's.
template <class Device>
class ServedPtyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        slave = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
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

    PtyPair pty;
    Device device;
    PtyLineServer server{device, pty.masterFd()};
    int slave = -1;
};

class PtyLineServerTest : public ServedPtyTest<CountingDevice> {
protected:
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

class AdapterLineTest : public ServedPtyTest<ChattyDevice> {
protected:
    // Sends `request` and collects what comes back within `wait`: how many bytes, and
    // how many of them came before `early`.
    struct Reply {
        std::size_t bytes = 0;
        std::size_t beforeEarly = 0;
    };
    Reply Exchange(std::uint8_t request, std::chrono::milliseconds early, std::chrono::milliseconds wait)
    {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(::write(slave, &request, 1), 1);
        Reply reply;
        while (Clock::now() - start < wait) {
            pollfd p{slave, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            std::uint8_t buffer[256];
            const ssize_t n = ::read(slave, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            reply.bytes += static_cast<std::size_t>(n);
            if (Clock::now() - start < early)
                reply.beforeEarly += static_cast<std::size_t>(n);
        }
        return reply;
    }
};

// The adapter's timer is set far beyond anything a loaded machine adds, so that what
// is held and what is not cannot be mistaken for one another.
TEST_F(AdapterLineTest, AShortReplyWaitsForTheLatencyAFullChunkDoesNot)
{
    server.SetAdapter(UsbAdapter::Settings{std::chrono::milliseconds(250), 62});
    ASSERT_TRUE(server.Start());

    // Five bytes: held until the timer runs out, then all of them.
    Reply reply = Exchange(5, std::chrono::milliseconds(250), std::chrono::milliseconds(1500));
    EXPECT_EQ(reply.beforeEarly, 0u);
    EXPECT_EQ(reply.bytes, 5u);

    // 130 bytes: two chunks at once, the 6 over only after the timer.
    reply = Exchange(130, std::chrono::milliseconds(250), std::chrono::milliseconds(1500));
    EXPECT_EQ(reply.beforeEarly, 124u);
    EXPECT_EQ(reply.bytes, 130u);
}

TEST_F(AdapterLineTest, WithoutAnAdapterAShortReplyIsNotHeld)
{
    ASSERT_TRUE(server.Start());
    const Reply reply = Exchange(5, std::chrono::milliseconds(250), std::chrono::milliseconds(300));
    EXPECT_EQ(reply.beforeEarly, 5u);
}

}  // namespace
