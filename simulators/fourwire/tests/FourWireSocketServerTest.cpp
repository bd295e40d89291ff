#include "simulators/fourwire/FourWireSocketServer.h"
#include "simulators/fourwire/FourWireTarget.h"

#include "platform/ParallelPort.h"
#include "platform/PortMap.h"
#include "platform/tests/FakeClock.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// The server on its own thread, stopped through a pipe.
class FourWireSocketServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(pipe(stop_), 0);
        std::string error;
        ASSERT_TRUE(server.Listen(home.path() + "/target.sock", error)) << error;
        ASSERT_TRUE(PortMap::Link("lpt1", server.path()));
        thread_ = std::thread([this] { server.Serve(stop_[0]); });
    }

    void TearDown() override
    {
        if (thread_.joinable()) {
            EXPECT_EQ(write(stop_[1], "x", 1), 1);
            thread_.join();
        }
        close(stop_[0]);
        close(stop_[1]);
    }

    ScopedConfigHome home;
    FakeClock clock;
    FourWireTarget target{clock};
    FourWireSocketServer server{target};
    int stop_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace

TEST_F(FourWireSocketServerTest, APortOpenedThroughThePortMapDrivesTheTarget)
{
    std::string error;
    std::unique_ptr<ParallelPort> port = ParallelPort::Open("LPT1", error);
    ASSERT_NE(port, nullptr) << error;
    std::uint8_t status = 0;
    ASSERT_TRUE(port->ReadStatus(status));
    EXPECT_EQ(status, 0x40);
    // The start-up attention: data, then clock.
    ASSERT_TRUE(port->WriteData(0x01));
    ASSERT_TRUE(port->WriteData(0x03));
    ASSERT_TRUE(port->ReadStatus(status));
    EXPECT_EQ(status, 0x80);
}

TEST_F(FourWireSocketServerTest, OneClientAtATimeHoldsThePort)
{
    std::string error;
    std::unique_ptr<ParallelPort> first = ParallelPort::Open("LPT1", error);
    ASSERT_NE(first, nullptr) << error;
    EXPECT_EQ(ParallelPort::Open("LPT1", error), nullptr);
    EXPECT_NE(error.find("in use by another program"), std::string::npos) << error;

    first.reset();
    // The server may see the next client before it notices the first one leaving.
    std::unique_ptr<ParallelPort> second;
    for (int i = 0; i < 100 && !second; ++i) {
        second = ParallelPort::Open("LPT1", error);
        if (!second)
            usleep(10000);
    }
    ASSERT_NE(second, nullptr) << error;
    std::uint8_t status = 0;
    EXPECT_TRUE(second->ReadStatus(status));
}

TEST_F(FourWireSocketServerTest, AClientBreakingTheRulesIsDropped)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, server.path().c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    char byte = 0;
    ASSERT_EQ(recv(fd, &byte, 1, 0), 1);
    EXPECT_EQ(byte, 'K');
    const char request[] = {'W', 0x01, 'R', 'X', 'R'};
    ASSERT_EQ(send(fd, request, sizeof request, 0), static_cast<ssize_t>(sizeof request));
    std::uint8_t answer[4] = {};
    EXPECT_EQ(recv(fd, answer, sizeof answer, 0), 0);  // closed without an answer
    close(fd);

    // The port is free again.
    std::string error;
    std::unique_ptr<ParallelPort> port;
    for (int i = 0; i < 100 && !port; ++i) {
        port = ParallelPort::Open("LPT1", error);
        if (!port)
            usleep(10000);
    }
    EXPECT_NE(port, nullptr) << error;
}

TEST(FourWireSocketServerListenTest, APathTooLongForASocketIsRefused)
{
    FakeClock clock;
    FourWireTarget target(clock);
    FourWireSocketServer server(target);
    std::string error;
    EXPECT_FALSE(server.Listen("/tmp/" + std::string(200, 'x'), error));
    EXPECT_EQ(error.rfind("socket path too long", 0), 0u);
}

TEST(FourWireSocketServerListenTest, TheSocketFileGoesWithTheServer)
{
    ScopedConfigHome home;
    FakeClock clock;
    FourWireTarget target(clock);
    const std::string path = home.path() + "/gone.sock";
    {
        FourWireSocketServer server(target);
        std::string error;
        ASSERT_TRUE(server.Listen(path, error)) << error;
        EXPECT_EQ(access(path.c_str(), F_OK), 0);
    }
    EXPECT_NE(access(path.c_str(), F_OK), 0);
}
