#include "platform/ParallelPort.h"
#include "platform/PortMap.h"
#include "platform/PpdevParallelPort.h"
#include "platform/tests/FakeParallelPort.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A listening Unix socket in the test's configuration folder, standing in for a
// simulator program.
class ListeningSocket {
public:
    explicit ListeningSocket(const std::string& path) : path_(path)
    {
        fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 && listen(fd_, 4) == 0;
    }
    ~ListeningSocket()
    {
        if (fd_ >= 0)
            close(fd_);
        unlink(path_.c_str());
    }
    bool bound() const { return bound_; }
    int fd() const { return fd_; }
    void StopListening()
    {
        close(fd_);
        fd_ = -1;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool bound_ = false;
};

std::string ShortSocketPath(const char* name)
{
    return "/tmp/fourwire-test-" + std::to_string(getpid()) + "-" + name;
}

}  // namespace

TEST(ParallelPortTest, AMissingDeviceNamesThePortThePathAndNoSuchDevice)
{
    ScopedConfigHome home;
    ASSERT_TRUE(PortMap::Link("lpt1", home.path() + "/no-such-parport"));
    std::string error;
    EXPECT_EQ(ParallelPort::Open("LPT1", error), nullptr);
    EXPECT_EQ(error, "Cannot open the parallel port LPT1 (" + PortMap::LinkPath("lpt1") + "): no such device (load the parport_pc and ppdev modules, or link the "
                                                                                          "port name in the port map to the right /dev/parportN)");
}

TEST(ParallelPortTest, AFileThatIsNoParallelPortIsRefusedAsSuch)
{
    ScopedConfigHome home;
    ASSERT_TRUE(PortMap::Link("lpt1", "/dev/null"));
    std::string error;
    EXPECT_EQ(ParallelPort::Open("lpt1", error), nullptr);
    EXPECT_EQ(error, "Cannot open the parallel port LPT1 (" + PortMap::LinkPath("lpt1") + "): not a parallel port device");
}

TEST(ParallelPortTest, ANameThatIsNoPortIsRefused)
{
    ScopedConfigHome home;
    std::string error;
    EXPECT_EQ(ParallelPort::Open("PRN", error), nullptr);
    EXPECT_EQ(error, "Cannot open the parallel port PRN: \"PRN\" is not a port name (COM1.., LPT1..)");
}

TEST(ParallelPortTest, ReasonTextsTellAUserWhatToFix)
{
    EXPECT_EQ(PpdevParallelPort::ReasonText(EACCES),
              "no permission (add the user to the group that owns the device, usually lp)");
    EXPECT_EQ(PpdevParallelPort::ReasonText(EBUSY), "the port is in use by another program or driver");
    EXPECT_EQ(PpdevParallelPort::ReasonText(ENODEV).rfind("no such device", 0), 0u);
    EXPECT_EQ(PpdevParallelPort::ReasonText(EIO), std::strerror(EIO));
}

TEST(ParallelPortTest, ALinkToASocketTalksToTheSimulatorServedThere)
{
    ScopedConfigHome home;
    const std::string path = ShortSocketPath("serve");
    ListeningSocket listener(path);
    ASSERT_TRUE(listener.bound());
    ASSERT_TRUE(PortMap::Link("lpt1", path));

    std::vector<std::uint8_t> received;
    std::thread server([&] {
        const int client = accept(listener.fd(), nullptr, nullptr);
        const char greeting = 'K';
        send(client, &greeting, 1, 0);
        std::uint8_t byte = 0;
        while (recv(client, &byte, 1, 0) == 1) {
            received.push_back(byte);
            if (byte == 'R') {
                const std::uint8_t status = 0x87;
                send(client, &status, 1, 0);
            }
        }
        close(client);
    });

    std::string error;
    std::unique_ptr<ParallelPort> port = ParallelPort::Open("LPT1", error);
    ASSERT_NE(port, nullptr) << error;
    EXPECT_TRUE(port->WriteData(0x03));
    std::uint8_t status = 0;
    EXPECT_TRUE(port->ReadStatus(status));
    EXPECT_EQ(status, 0x87);
    EXPECT_TRUE(port->WriteData(0x00));
    port.reset();
    server.join();
    EXPECT_EQ(received, (std::vector<std::uint8_t>{'W', 0x03, 'R', 'W', 0x00}));
}

TEST(ParallelPortTest, ASimulatorHeldByAnotherClientGivesInUse)
{
    ScopedConfigHome home;
    const std::string path = ShortSocketPath("busy");
    ListeningSocket listener(path);
    ASSERT_TRUE(listener.bound());
    ASSERT_TRUE(PortMap::Link("lpt1", path));
    std::thread server([&] {
        const int client = accept(listener.fd(), nullptr, nullptr);
        const char busy = 'B';
        send(client, &busy, 1, 0);
        close(client);
    });
    std::string error;
    EXPECT_EQ(ParallelPort::Open("LPT1", error), nullptr);
    server.join();
    EXPECT_EQ(error, "Cannot open the parallel port LPT1 (simulator at " + path + "): the port is in use by another program");
}

TEST(ParallelPortTest, ASocketNobodyServesIsReportedSo)
{
    ScopedConfigHome home;
    const std::string path = ShortSocketPath("gone");
    ListeningSocket listener(path);
    ASSERT_TRUE(listener.bound());
    listener.StopListening();
    ASSERT_TRUE(PortMap::Link("lpt1", path));
    std::string error;
    EXPECT_EQ(ParallelPort::Open("LPT1", error), nullptr);
    EXPECT_EQ(error, "Cannot open the parallel port LPT1 (simulator at " + path + "): no simulator is serving the port");
}

TEST(ParallelPortTest, AccessesFailOnceTheSimulatorHasGone)
{
    ScopedConfigHome home;
    const std::string path = ShortSocketPath("drop");
    ListeningSocket listener(path);
    ASSERT_TRUE(listener.bound());
    ASSERT_TRUE(PortMap::Link("lpt1", path));
    std::thread server([&] {
        const int client = accept(listener.fd(), nullptr, nullptr);
        const char greeting = 'K';
        send(client, &greeting, 1, 0);
        close(client);
    });
    std::string error;
    std::unique_ptr<ParallelPort> port = ParallelPort::Open("LPT1", error);
    server.join();
    ASSERT_NE(port, nullptr) << error;
    std::uint8_t status = 0;
    EXPECT_FALSE(port->ReadStatus(status));
    EXPECT_FALSE(port->WriteData(1));
}

TEST(FakeParallelPortTest, KeepsWritesAnswersStatusAndFailsOnRequest)
{
    FakeParallelPort port;
    port.SetStatus(0x40);
    std::uint8_t status = 0;
    EXPECT_TRUE(port.WriteData(0x02));
    EXPECT_TRUE(port.ReadStatus(status));
    EXPECT_EQ(status, 0x40);
    port.SetFailing(true);
    EXPECT_FALSE(port.WriteData(0x03));
    EXPECT_FALSE(port.ReadStatus(status));
    EXPECT_EQ(port.writes(), std::vector<std::uint8_t>{0x02});
    EXPECT_EQ(port.statusReads(), 1);
}
