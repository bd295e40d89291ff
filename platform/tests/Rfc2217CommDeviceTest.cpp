#include "platform/PortCommDevice.h"
#include "platform/PortMap.h"
#include "platform/Rfc2217CommDevice.h"
#include "platform/PtyPair.h"
#include "platform/tests/ScopedConfigHome.h"
#include "platform/Ser2netServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ser2net 4.3's opening, recorded.
const Bytes kOpening = {0xff, 0xfb, 0x03, 0xff, 0xfd, 0x03, 0xff, 0xfb, 0x01, 0xff, 0xfe,
                        0x01, 0xff, 0xfd, 0x00, 0xff, 0xfb, 0x00, 0xff, 0xfd, 0x2c};
const Bytes kGreeting = {0xff, 0xfb, 0x00, 0xff, 0xfd, 0x00, 0xff, 0xfb, 0x03, 0xff, 0xfd, 0x03, 0xff, 0xfb, 0x2c};
const Bytes kDontEcho = {0xff, 0xfe, 0x01};
// The modem-state and line-state masks, then the four questions for the settings.
const Bytes kQuestions = {0xff, 0xfa, 0x2c, 0x0b, 0xf0, 0xff, 0xf0, 0xff, 0xfa, 0x2c, 0x0a, 0x00, 0xff, 0xf0,
                          0xff, 0xfa, 0x2c, 0x01, 0x00, 0x00, 0x00, 0x00, 0xff, 0xf0, 0xff, 0xfa, 0x2c, 0x02,
                          0x00, 0xff, 0xf0, 0xff, 0xfa, 0x2c, 0x03, 0x00, 0xff, 0xf0, 0xff, 0xfa, 0x2c, 0x04,
                          0x00, 0xff, 0xf0};

Bytes Answer(std::uint8_t command, const Bytes& value)
{
    return Bytes{0xff, 0xfa, 0x2c, static_cast<std::uint8_t>(command + 100)} + value + Bytes{0xff, 0xf0};
}

Bytes RateAnswer(std::uint32_t rate)
{
    return Answer(1, {static_cast<std::uint8_t>(rate >> 24), static_cast<std::uint8_t>(rate >> 16),
                      static_cast<std::uint8_t>(rate >> 8), static_cast<std::uint8_t>(rate)});
}

// A port server on 127.0.0.1 that plays a script on a thread of its own; what the
// client sent is kept for the test to look at once the script has ended.
class ScriptedPeer {
public:
    explicit ScriptedPeer(std::function<void(ScriptedPeer&)> script)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, script] { script(*this); });
    }
    ~ScriptedPeer()
    {
        released_ = true;
        thread_.join();
        Hangup();
        ::close(listener_);
    }

    std::string Address() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

    bool Accept()
    {
        Hangup();
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1) return false;
        connection_ = ::accept(listener_, nullptr, nullptr);
        return connection_ >= 0;
    }
    void Hangup()
    {
        if (connection_ >= 0) ::close(connection_);
        connection_ = -1;
    }
    void Send(const Bytes& bytes) { ::send(connection_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Up to `count` bytes; fewer when the client hangs up or nothing comes for 5 s.
    Bytes Receive(std::size_t count)
    {
        Bytes got;
        std::uint8_t buffer[4096];
        while (got.size() < count) {
            pollfd p{connection_, POLLIN, 0};
            if (::poll(&p, 1, 5000) != 1) break;
            const ssize_t n = ::recv(connection_, buffer, std::min(sizeof buffer, count - got.size()), 0);
            if (n <= 0) break;
            got.insert(got.end(), buffer, buffer + n);
            received.insert(received.end(), buffer, buffer + n);
        }
        return got;
    }
    void WaitForHangup() { Receive(SIZE_MAX); }
    // Reads nothing more until the test ends.
    void StopReading()
    {
        while (!released_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // Answers the opening and the questions as ser2net does, for a line at 9600 8N1.
    void OpenAsSer2net()
    {
        Receive(kGreeting.size());
        Send(kOpening);
        Receive(kDontEcho.size() + kQuestions.size());
        Send(Answer(7, {0x00}) + Answer(6, {0x00}) + RateAnswer(9600) + Answer(2, {8}) + Answer(3, {1}) + Answer(4, {1}));
    }

    Bytes received;

private:
    int listener_ = -1;
    int connection_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> released_{false};
    std::thread thread_;
};

const Rfc2217CommDevice::Timing kShortTiming{1000, 300};

}  // namespace

TEST(Rfc2217CommDeviceTest, APortMapLinkLeadsToTheNetworkPortAndEverythingTravelsByteExact)
{
    const Bytes settingsAnswers = RateAnswer(38400) + Answer(2, {7}) + Answer(3, {3}) + Answer(4, {2});
    ScriptedPeer peer([&](ScriptedPeer& p) {
        p.Accept();
        p.OpenAsSer2net();
        p.Receive(52);  // the new settings
        p.Send(settingsAnswers);
        p.Receive(7 + 5);  // RTS off, then data with two 0xFF
        p.Send({0x10, 0xff, 0xff, 0x20});
        p.Send(Answer(7, {0xb0}));
        p.WaitForHangup();
    });
    ScopedConfigHome home;
    ASSERT_TRUE(PortMap::Link("com3", peer.Address()));
    PortCommDevice device;
    ASSERT_TRUE(device.Open(PortMap::DevicePath("com3"))) << device.LastError();

    CommSettings settings;
    ASSERT_TRUE(device.GetSettings(settings));
    EXPECT_EQ(settings.baudRate, 9600u);
    settings.baudRate = 38400;
    settings.dataBits = 7;
    settings.parity = Parity::Even;
    settings.stopBits = 2;
    settings.ctsOutFlow = true;
    settings.rtsControl = 0;
    settings.dtrControl = 0;
    ASSERT_TRUE(device.SetSettings(settings)) << device.LastError();
    CommSettings readBack;
    ASSERT_TRUE(device.GetSettings(readBack));
    EXPECT_EQ(readBack.baudRate, 38400u);
    EXPECT_EQ(readBack.parity, Parity::Even);

    ASSERT_TRUE(device.Escape(EscapeFunction::ClrRts));
    const Bytes data = {0x01, 0xff, 0xff};
    EXPECT_EQ(device.Write(data.data(), data.size()), 3);
    device.SetReadTimeouts(0, 2000);
    std::uint8_t in[3] = {};
    EXPECT_EQ(device.Read(in, 3), 3);
    EXPECT_EQ(Bytes(in, in + 3), (Bytes{0x10, 0xff, 0x20}));
    std::uint32_t status = 0;
    for (int i = 0; i < 100 && status == 0; ++i) {
        ASSERT_TRUE(device.GetModemStatus(status));
        if (status == 0) usleep(10000);
    }
    EXPECT_EQ(status, ModemCts | ModemDsr | ModemRlsd);
    device.Close();

    const Bytes newSettings = {
        0xff, 0xfa, 0x2c, 0x01, 0x00, 0x00, 0x96, 0x00, 0xff, 0xf0,  // 38400
        0xff, 0xfa, 0x2c, 0x02, 0x07, 0xff, 0xf0,                    // 7 bits
        0xff, 0xfa, 0x2c, 0x03, 0x03, 0xff, 0xf0,                    // even
        0xff, 0xfa, 0x2c, 0x04, 0x02, 0xff, 0xf0,                    // 2 stop bits
        0xff, 0xfa, 0x2c, 0x05, 0x03, 0xff, 0xf0,                    // hardware flow
        0xff, 0xfa, 0x2c, 0x05, 0x0c, 0xff, 0xf0,                    // RTS off
        0xff, 0xfa, 0x2c, 0x05, 0x09, 0xff, 0xf0,                    // DTR off
    };
    const Bytes rtsOff = {0xff, 0xfa, 0x2c, 0x05, 0x0c, 0xff, 0xf0};
    const Bytes dataSent = {0x01, 0xff, 0xff, 0xff, 0xff};
    EXPECT_EQ(peer.received, kGreeting + kDontEcho + kQuestions + newSettings + rtsOff + dataSent);
}

TEST(Rfc2217CommDeviceTest, PurgeSettingsAndTheTransmitterKeepTheirPromises)
{
    const Bytes purge = {0xff, 0xfa, 0x2c, 0x0c, 0x01, 0xff, 0xf0};
    ScriptedPeer peer([&](ScriptedPeer& p) {
        p.Accept();
        p.OpenAsSer2net();
        p.Send({'o', 'l', 'd'});
        p.Receive(purge.size());
        p.Send(Bytes{'l', 'a', 't', 'e'} + Answer(12, {1}) + Bytes{'n', 'e', 'w'});
        p.Receive(52);  // settings at 19200
        p.Send(RateAnswer(9600) + Answer(2, {8}) + Answer(3, {1}) + Answer(4, {1}));
        p.WaitForHangup();
    });
    Rfc2217CommDevice device(kShortTiming);
    ASSERT_TRUE(device.Open(peer.Address())) << device.LastError();
    device.SetReadTimeouts(0, 100);
    std::uint8_t in[4] = {};
    ASSERT_EQ(device.Read(in, 1), 1);  // "old" has come
    // What was on its way before the server confirmed the purge is gone with it.
    ASSERT_TRUE(device.PurgeInput()) << device.LastError();
    EXPECT_EQ(device.Read(in, 4), 3);
    EXPECT_EQ(Bytes(in, in + 3), (Bytes{'n', 'e', 'w'}));

    CommSettings settings;
    ASSERT_TRUE(device.GetSettings(settings));
    settings.baudRate = 9601;
    EXPECT_FALSE(device.SetSettings(settings));
    EXPECT_EQ(device.LastError(), "Invalid argument");
    settings.baudRate = 19200;
    EXPECT_FALSE(device.SetSettings(settings));
    EXPECT_NE(device.LastError().find("set its line to 9600 baud instead of 19200"), std::string::npos)
        << device.LastError();
    CommSettings now;
    ASSERT_TRUE(device.GetSettings(now));
    EXPECT_EQ(now.baudRate, 9600u);

    // 2000 bytes at 9600 baud need about two seconds of line time after they are sent.
    const Bytes block(2000, 0x55);
    ASSERT_EQ(device.Write(block.data(), block.size()), 2000);
    EXPECT_FALSE(device.WaitTransmitterEmpty(0));
    EXPECT_EQ(device.LastError(), "Connection timed out");
    EXPECT_TRUE(device.WaitTransmitterEmpty(10000)) << device.LastError();
}

TEST(Rfc2217CommDeviceTest, APeerThatRefusesTheOptionOrSaysNothingDoesNotDoRfc2217)
{
    ScriptedPeer refusing([](ScriptedPeer& p) {
        p.Accept();
        p.Receive(kGreeting.size());
        p.Send({0xff, 0xfe, 0x2c});
        p.WaitForHangup();
    });
    Rfc2217CommDevice device(kShortTiming);
    EXPECT_FALSE(device.Open(refusing.Address()));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_NE(device.LastError().find("does not do RFC 2217: it refused the com-port control option"),
              std::string::npos)
        << device.LastError();

    ScriptedPeer silent([](ScriptedPeer& p) {
        p.Accept();
        p.WaitForHangup();
    });
    EXPECT_FALSE(device.Open(silent.Address()));
    EXPECT_EQ(device.LastError(), "127.0.0.1:" + silent.Address().substr(silent.Address().rfind(':') + 1) + " does not do RFC 2217: no answer to the com-port control option within 0.3 s");
}

TEST(Rfc2217CommDeviceTest, APeerThatStopsAnsweringNeverHoldsTheCallerPastItsTimeOuts)
{
    ScriptedPeer peer([](ScriptedPeer& p) {
        p.Accept();
        p.OpenAsSer2net();
        p.StopReading();
    });
    Rfc2217CommDevice device(kShortTiming);
    ASSERT_TRUE(device.Open(peer.Address())) << device.LastError();

    device.SetReadTimeouts(0, 100);
    std::uint8_t byte = 0;
    EXPECT_EQ(device.Read(&byte, 1), 0);

    CommSettings settings;
    ASSERT_TRUE(device.GetSettings(settings));
    settings.baudRate = 19200;
    EXPECT_FALSE(device.SetSettings(settings));
    EXPECT_NE(device.LastError().find("did not answer the request for the line's rate within 0.3 s (timed out)"),
              std::string::npos)
        << device.LastError();
    EXPECT_FALSE(device.PurgeInput());
    EXPECT_NE(device.LastError().find("did not answer the request for a purge"), std::string::npos);

    // The peer reads nothing more: a write with a time-out returns what went out.
    const Bytes lots(8 << 20, 0x55);
    const long written = device.Write(lots.data(), lots.size(), 200);
    EXPECT_GE(written, 0);
    EXPECT_LT(written, static_cast<long>(lots.size()));
}

TEST(Rfc2217CommDeviceTest, GarbageFromThePeerNeverSwallowsTheDataAroundIt)
{
    ScriptedPeer peer([](ScriptedPeer& p) {
        p.Accept();
        p.OpenAsSer2net();
        p.Send(Bytes{'a'} + Answer(1, {0x01}) + Bytes{'b', 0xff, 0xfa, 0x2c, 0x6b, 0x80, 0xff, 0xfd, 0x00, 'c'} + Answer(7, {0x10, 0x20}) + Bytes{'d', 0xff, 0xf1, 'e'});
        p.WaitForHangup();
    });
    Rfc2217CommDevice device(kShortTiming);
    ASSERT_TRUE(device.Open(peer.Address())) << device.LastError();
    device.SetReadTimeouts(200, 2000);
    std::uint8_t in[6] = {};
    EXPECT_EQ(device.Read(in, 6), 5);
    EXPECT_EQ(Bytes(in, in + 5), (Bytes{'a', 'b', 'c', 'd', 'e'}));
    std::uint32_t status = 1;
    EXPECT_TRUE(device.GetModemStatus(status));
    EXPECT_EQ(status, 0u);
}

TEST(Rfc2217CommDeviceTest, ADroppedConnectionIsAVanishedLineAndTheNextOpenConnectsAgain)
{
    ScriptedPeer peer([](ScriptedPeer& p) {
        p.Accept();
        p.OpenAsSer2net();
        p.Send({0x42});
        p.Hangup();
        p.Accept();
        p.OpenAsSer2net();
        p.Send({0x43});
        p.WaitForHangup();
    });
    Rfc2217CommDevice device(kShortTiming);
    ASSERT_TRUE(device.Open(peer.Address())) << device.LastError();
    device.SetReadTimeouts(0, 2000);
    std::uint8_t in[2] = {};
    EXPECT_EQ(device.Read(in, 2), 1);  // what came before the end is read first
    EXPECT_EQ(in[0], 0x42);
    EXPECT_EQ(device.Read(in, 1), -1);
    EXPECT_EQ(device.LastError(), "the connection to 127.0.0.1:" + peer.Address().substr(peer.Address().rfind(':') + 1) + " is lost (127.0.0.1:" + peer.Address().substr(peer.Address().rfind(':') + 1) + " closed it)");
    EXPECT_EQ(device.Write(in, 1), -1);
    EXPECT_TRUE(device.IsOpen());

    device.Close();
    ASSERT_TRUE(device.Open(peer.Address())) << device.LastError();
    EXPECT_EQ(device.Read(in, 1), 1);
    EXPECT_EQ(in[0], 0x43);
}

TEST(Rfc2217CommDeviceTest, APortInUseIsBusyAsOnATty)
{
    ScriptedPeer peer([](ScriptedPeer& p) {
        p.Accept();
        p.Receive(kGreeting.size());
        p.Send(kOpening + Bytes{'P', 'o', 'r', 't', ' ', 'a', 'l', 'r', 'e', 'a', 'd', 'y', ' ', 'i', 'n', ' ',
                                'u', 's', 'e', '\r', '\n'});
        p.Hangup();
    });
    Rfc2217CommDevice device(kShortTiming);
    EXPECT_FALSE(device.Open(peer.Address()));
    EXPECT_EQ(device.LastError(), "Device or resource busy");
    EXPECT_FALSE(device.IsOpen());
}

TEST(Rfc2217CommDeviceTest, ConnectionFailuresNameTheirCause)
{
    Rfc2217CommDevice device(kShortTiming);
    EXPECT_FALSE(device.Open("rfc2217://no-such-host.invalid:2217"));
    EXPECT_EQ(device.LastError(), "host not found: no-such-host.invalid");

    // A port nobody listens on: bound, never listening.
    const int unused = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(unused, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::getsockname(unused, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string port = std::to_string(ntohs(address.sin_port));
    EXPECT_FALSE(device.Open("rfc2217://127.0.0.1:" + port));
    EXPECT_EQ(device.LastError(), "127.0.0.1:" + port + " refused the connection (no port server listens there)");
    ::close(unused);

    for (const char* bad : {"rfc2217://host", "rfc2217://:2217", "rfc2217://host:0", "rfc2217://host:http",
                            "rfc2217://host:70000"}) {
        EXPECT_FALSE(device.Open(bad));
        EXPECT_EQ(device.LastError(), std::string("\"") + bad + "\" is not a network port: it must read rfc2217://HOST:PORT");
    }
    EXPECT_FALSE(device.IsOpen());
    EXPECT_FALSE(device.Write(reinterpret_cast<const std::uint8_t*>("x"), 1) >= 0);
}

// Through Debian's ser2net to a pseudo-terminal: whole blocks of every byte value, 0xFF
// runs among them, in one write each way.
TEST(Rfc2217Ser2netTest, EveryByteValueCrossesBothWays)
{
    if (Ser2netServer::Program().empty()) GTEST_SKIP() << "ser2net is not installed";
    ScopedConfigHome home;
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    Ser2netServer ser2net(pty.slavePath(), home.path());
    ASSERT_TRUE(ser2net.Start());
    Rfc2217CommDevice device;
    ASSERT_TRUE(device.Open(ser2net.Address())) << device.LastError();

    Bytes block;
    for (int value = 0; value < 256; ++value) block.push_back(static_cast<std::uint8_t>(value));
    block.insert(block.end(), {0xff, 0xff, 0xff, 0x00, 0xff, 0xfa, 0xff, 0xf0, 0xff});
    ASSERT_EQ(device.Write(block.data(), block.size()), static_cast<long>(block.size()));
    EXPECT_EQ(pty.Receive(block.size(), 2000), block);

    ASSERT_TRUE(pty.Send(block));
    device.SetReadTimeouts(500, 2000);
    Bytes back(block.size() + 1);
    ASSERT_EQ(device.Read(back.data(), back.size()), static_cast<long>(block.size()));
    back.pop_back();
    EXPECT_EQ(back, block);
}
