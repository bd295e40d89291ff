// The board class on network ports that fail: one that refuses the connection and one
// that takes it and never answers. Calls go through Invoke, as a client's do.

#include "monitor/boards/Ez2181.h"

#include "platform/PortCommDevice.h"
#include "platform/PortMap.h"
#include "platform/tests/FakeClock.h"
#include "platform/tests/LoopbackPeer.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int32_t kReadDM = 0x10001;
constexpr std::int32_t kErrorMethod = 0x30001;
constexpr std::int32_t kReset = 1;
constexpr std::int32_t kSetBaud = 3;
constexpr std::int32_t kPowerOn = 4;
constexpr std::int32_t kPort = 5;

class Ez2181NetworkFailureTest : public ::testing::Test {
protected:
    // The board on com4, linked to `address`; its power-on wait runs on the fake clock.
    void UseCom4(const std::string& address)
    {
        ASSERT_TRUE(PortMap::Link("com4", address));
        ASSERT_EQ(Put(kErrorMethod, Variant::I4(1)).hr, S_OK);
        ASSERT_EQ(Put(kPort, Variant::Bstr("com4")).hr, S_OK);
    }
    InvokeResult Put(std::int32_t id, Variant value)
    {
        return ez.Invoke(id, InvokeKind::PropertyPut, {std::move(value)});
    }
    Variant Call(std::int32_t id, std::vector<Variant> args = {})
    {
        const InvokeResult r = ez.Invoke(id, InvokeKind::Method, std::move(args));
        EXPECT_EQ(r.hr, S_OK);
        return r.result;
    }
    std::string Unopened(const std::string& cause) const
    {
        return "Can't write to serial port (COM4 (" + PortMap::LinkPath("com4") + "): " + cause + ")";
    }

    ScopedConfigHome home;
    FakeClock clock{100};
    Ez2181 ez{std::make_unique<PortCommDevice>(), clock};
};

}  // namespace

// PowerOn on a port that cannot be opened says why, as Reset does, instead of waiting
// ten seconds and blaming the board's power.
TEST_F(Ez2181NetworkFailureTest, PowerOnOnARefusedPortFailsAtOnceWithTheRefusal)
{
    LoopbackPeer refusing(LoopbackPeer::Kind::Refusing);
    ASSERT_TRUE(refusing.ok());
    UseCom4(refusing.Address());
    const std::string text =
        Unopened(refusing.HostAndPort() + " refused the connection (no port server listens there)");

    EXPECT_EQ(Call(kPowerOn), Variant::Error(5));
    EXPECT_EQ(ez.GetErrorString(), text);
    EXPECT_EQ(clock.TotalSleptMs(), 0u);  // none of the 10 s wait has run
    EXPECT_EQ(Call(kReset, {Variant::I4(0)}), Variant::Error(5));
    EXPECT_EQ(ez.GetErrorString(), text);
}

// A peer that never answers costs its 3 s once a call: the line rate does not open the
// line, and the steps of one call do not open it again. The next call tries afresh.
TEST_F(Ez2181NetworkFailureTest, ASilentPeerIsAskedOnceACall)
{
    LoopbackPeer silent(LoopbackPeer::Kind::Listening);
    ASSERT_TRUE(silent.ok());
    UseCom4(silent.Address());
    const std::string text =
        Unopened(silent.HostAndPort() + " does not do RFC 2217: no answer to the com-port control option within 3 s");

    EXPECT_EQ(Call(kSetBaud, {Variant::I4(9600)}), Variant::I4(0));
    EXPECT_EQ(silent.Connections(), 0);
    EXPECT_EQ(Call(kReadDM, {Variant::I4(0), Variant::I4(1), Variant::I4(0), Variant::I4(0)}), Variant::Error(5));
    EXPECT_EQ(ez.GetErrorString(), text);
    EXPECT_EQ(silent.Connections(), 1);

    EXPECT_EQ(Call(kPowerOn), Variant::Error(5));
    EXPECT_EQ(ez.GetErrorString(), text);
    EXPECT_EQ(silent.Connections(), 2);
    EXPECT_EQ(clock.TotalSleptMs(), 0u);
}
