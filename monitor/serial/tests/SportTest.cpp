#include "monitor/serial/Sport.h"

#include "automation/core/SafeArray.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/tests/FakeCommDevice.h"
#include "platform/tests/LoopbackPeer.h"
#include "platform/tests/ScopedConfigHome.h"
#include "monitor/core/tests/ClientCalls.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Variant ByteArray(VarType type, const std::vector<double>& values)
{
    SafeArray array = SafeArray::Vector(type, values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        switch (type) {
        case VT_I2: array.set(i, Variant::I2(static_cast<std::int16_t>(values[i]))); break;
        case VT_I4: array.set(i, Variant::I4(static_cast<std::int32_t>(values[i]))); break;
        case VT_R4: array.set(i, Variant::R4(static_cast<float>(values[i]))); break;
        case VT_R8: array.set(i, Variant::R8(values[i])); break;
        default: array.set(i, Variant::UI1(static_cast<std::uint8_t>(values[i]))); break;
        }
    }
    return Variant::Array(std::move(array));
}

Bytes BytesOf(const Variant& v)
{
    Bytes out;
    if (!v.IsArray()) return out;
    for (std::size_t i = 0; i < v.array().size(); ++i) out.push_back(v.array().at(i).ui1());
    return out;
}

InvokeResult Get(Sport& s, std::int32_t id) { return s.Invoke(id, InvokeKind::PropertyGet, {}); }
InvokeResult Put(Sport& s, std::int32_t id, Variant v) { return s.Invoke(id, InvokeKind::PropertyPut, {std::move(v)}); }
InvokeResult Call(Sport& s, std::int32_t id, std::vector<Variant> args = {})
{
    return s.Invoke(id, InvokeKind::Method, std::move(args));
}

// The port behind COM1 of these tests is a pseudo-terminal whose master plays the device.
class SportOnLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(line.ok());
        ASSERT_TRUE(PortMap::Link("com1", line.slavePath()));
    }
    void OpenPort() { ASSERT_EQ(Put(sport, 4, Variant::Bool(true)).hr, S_OK); }

    ScopedConfigHome home;
    PtyPair line;
    Sport sport;
};

// A Sport whose port drives a recording fake, for modem lines and RTS.
struct SportOnFake {
    SportOnFake()
    {
        auto device = std::make_unique<FakeCommDevice>();
        fake = device.get();
        sport = std::make_unique<Sport>(std::make_unique<SerialPort>(0, std::move(device)));
        sport->SetPortOpen(true);
        fake->ClearEvents();
    }
    ScopedConfigHome home{"com1"};
    FakeCommDevice* fake;
    std::unique_ptr<Sport> sport;
};

TEST(Sport, IdentifiersFollowTheMapOrder)
{
    Sport sport;
    const char* names[] = {"EndianMode", "DTR", "RTS", "PortOpen", "CommPort", "Output",
                           "Input", "CTSFlowCtrl", "CTS", "DSR", "baud", "RTSFlowCtrl",
                           "SendBytes", "GetBytes", "RxCharReady"};
    for (std::int32_t position = 1; position <= 15; ++position)
        EXPECT_EQ(IdOf(sport, names[position - 1]), position) << names[position - 1];
    EXPECT_EQ(IdOf(sport, "errormethod"), 0x10001);
    EXPECT_EQ(IdOf(sport, "ERRORCODE"), 0x10002);
    EXPECT_EQ(IdOf(sport, "errorstring"), 0x10003);
}

TEST(Sport, NewObjectIsClosedOnCom1WithEndianModeZero)
{
    Sport sport;
    EXPECT_EQ(Get(sport, 5).result, Variant::I2(1));
    EXPECT_EQ(Get(sport, 4).result, Variant::Bool(false));
    EXPECT_EQ(Get(sport, 1).result, Variant::I2(0));
    Put(sport, 1, Variant::I4(5));
    EXPECT_EQ(Get(sport, 1).result, Variant::I2(1));
}

TEST(Sport, WriteOnlyAndReadOnlyMembersRefuseTheOtherAccess)
{
    Sport sport;
    InvokeResult r = Get(sport, 2);  // DTR
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.description, "Unable to read write-only property.");
    r = Put(sport, 7, Variant::Bstr("x"));  // Input
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.description, "Unable to write read-only property.");
    r = Put(sport, 0x10002, Variant::I4(1));  // ErrorCode
    EXPECT_EQ(r.excep.description, "Unable to write read-only property.");
}

// The open stays silent; the next transfer fails with its fixed text and the cause.
TEST(Sport, OpeningAMissingPortReadsFalseAndTheNextTransferNamesTheCause)
{
    LoopbackPeer refusing(LoopbackPeer::Kind::Refusing);
    ASSERT_TRUE(refusing.ok());
    const struct {
        std::string target;  // the link's text; empty for no link at all
        std::string cause;
    } cases[] = {
        {"/nonexistent/tty", "COM7 (<link>): No such file or directory"},
        {refusing.Address(), "COM7 (<link>): " + refusing.HostAndPort() +
                                 " refused the connection (no port server listens there)"},
        {"", ""},  // filled in below: the port map's own text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        ScopedConfigHome home{"com1"};
        std::string cause = c.cause;
        if (c.target.empty()) {
            cause = PortMap::NotMappedText("COM7");
        } else {
            ASSERT_TRUE(PortMap::Link("com7", c.target));
            cause.replace(cause.find("<link>"), 6, PortMap::LinkPath("com7"));
        }
        Sport sport;
        Put(sport, 5, Variant::I2(7));
        EXPECT_EQ(Put(sport, 4, Variant::Bool(true)).hr, S_OK);
        EXPECT_EQ(Get(sport, 4).result, Variant::Bool(false));
        EXPECT_EQ(Call(sport, 13, {Variant::I4(1)}).result.vt(), VT_NULL);
        EXPECT_EQ(sport.GetErrorString(), "Can't write to serial port (" + cause + ")");
        Put(sport, 0x10001, Variant::I4(2));
        const InvokeResult output = Put(sport, 6, Variant::Bstr("x"));
        EXPECT_EQ(output.excep.description, "Can't write to serial port (" + cause + ")");
    }
}

TEST_F(SportOnLine, SendBytesConvertsEachElementToOneByte)
{
    OpenPort();
    InvokeResult r = Call(sport, 13, {ByteArray(VT_I4, {65, 66, 300})});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.result, Variant::I4(0));
    EXPECT_EQ(line.Receive(3, 1000), (Bytes{0x41, 0x42, 0x2C}));

    Call(sport, 13, {ByteArray(VT_R8, {1.9, -1.0})});
    EXPECT_EQ(line.Receive(2, 1000), (Bytes{0x01, 0xFF}));
    Call(sport, 13, {ByteArray(VT_I2, {0x1234})});
    EXPECT_EQ(line.Receive(1, 1000), (Bytes{0x34}));
    Call(sport, 13, {Variant::I4(200)});
    EXPECT_EQ(line.Receive(1, 1000), (Bytes{200}));
}

TEST_F(SportOnLine, SendBytesRefusesDataThatIsNotBytesAndSendsNothing)
{
    OpenPort();
    SafeArray twoD = *SafeArray::Create(VT_I4, {{2, 0}, {2, 0}});
    SafeArray shifted = *SafeArray::Create(VT_I4, {{2, 1}});
    Variant target = Variant::I4(1);
    const Variant refused[] = {Variant::Bstr("not a number"), Variant::Array(twoD),
                               Variant::Array(shifted), Variant::ByRef(&target),
                               Variant::Array(SafeArray::Vector(VT_BSTR, 2))};
    for (const Variant& data : refused) {
        InvokeResult r = Call(sport, 13, {data});
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.result.vt(), VT_NULL);
        EXPECT_EQ(sport.GetErrorString(), "Can't access data");
    }
    EXPECT_TRUE(line.Receive(1, 100).empty());
}

TEST_F(SportOnLine, GetBytesReturnsTheBytesThatArrived)
{
    OpenPort();
    ASSERT_TRUE(line.Send({1, 2, 0xFE}));
    InvokeResult r = Call(sport, 14, {Variant::I4(3)});
    ASSERT_EQ(r.hr, S_OK);
    ASSERT_EQ(r.result.vt(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(BytesOf(r.result), (Bytes{1, 2, 0xFE}));
}

TEST_F(SportOnLine, GetBytesFromASilentLineTimesOutByErrorMethod)
{
    OpenPort();
    InvokeResult r = Call(sport, 14, {Variant::I4(4)});
    EXPECT_EQ(r.result.vt(), VT_NULL);
    EXPECT_EQ(sport.GetErrorString(), "SerialPort Timeout Error");
    EXPECT_EQ(sport.GetErrorCode(), 0);

    Put(sport, 0x10001, Variant::I4(1));
    ASSERT_TRUE(line.Send({7}));  // a partial answer is not returned
    r = Call(sport, 14, {Variant::I4(2)});
    EXPECT_EQ(r.result, Variant::Error(5));

    Put(sport, 0x10001, Variant::I4(2));
    r = Call(sport, 14, {Variant::I4(1)});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.description, "SerialPort Timeout Error");
}

TEST_F(SportOnLine, GetBytesRefusesNegativeAndHugeCountsAtOnce)
{
    OpenPort();
    for (std::int32_t count : {-1, 2000000000}) {
        InvokeResult r = Call(sport, 14, {Variant::I4(count)});
        EXPECT_EQ(r.result.vt(), VT_NULL) << count;
        EXPECT_EQ(sport.GetErrorString(), "Can't access data");
    }
    InvokeResult r = Call(sport, 14, {Variant::I4(0)});
    ASSERT_EQ(r.result.vt(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(r.result.array().size(), 0u);
}

TEST_F(SportOnLine, InputReturnsWhatArrivedAndRxCharReadyConsumesOneByte)
{
    OpenPort();
    ASSERT_TRUE(line.Send({0x41, 0x42, 0x43}));
    EXPECT_EQ(Get(sport, 7).result, Variant::Bstr("ABC"));

    ASSERT_TRUE(line.Send({0x55}));
    EXPECT_EQ(Call(sport, 15).result, Variant::I4(1));
    InvokeResult r = Call(sport, 14, {Variant::I4(1)});
    EXPECT_EQ(r.result.vt(), VT_NULL);
    EXPECT_EQ(Call(sport, 15).result, Variant::I4(0));
}

TEST_F(SportOnLine, OutputSendsUpToTheFirstNul)
{
    OpenPort();
    ASSERT_EQ(Put(sport, 6, Variant::Bstr(std::string("AT\0Z", 4))).hr, S_OK);
    EXPECT_EQ(line.Receive(3, 300), (Bytes{'A', 'T'}));
}

TEST_F(SportOnLine, CommPortClosesTheOpenPort)
{
    OpenPort();
    EXPECT_EQ(Get(sport, 4).result, Variant::Bool(true));
    Put(sport, 5, Variant::I2(2));
    EXPECT_EQ(Get(sport, 4).result, Variant::Bool(false));
    EXPECT_EQ(Get(sport, 5).result, Variant::I2(2));
}

TEST_F(SportOnLine, BaudIsSetAfterOpeningAndOpeningResetsIt)
{
    OpenPort();
    Put(sport, 11, Variant::I4(38400));
    EXPECT_EQ(Get(sport, 11).result, Variant::I4(38400));
    OpenPort();
    EXPECT_EQ(Get(sport, 11).result, Variant::I4(9600));
}

// Linux has one flag for both directions of hardware handshake, and it makes output wait
// for CTS: the line holds it only while CTS output flow control is asked for, whatever
// the line had before PortOpen and whatever RTS control is chosen.
TEST_F(SportOnLine, TheLineWaitsForCtsOnlyWhenCtsOutputFlowIsAskedFor)
{
    const auto lineWaitsForCts = [this] {
        termios t{};
        EXPECT_EQ(::tcgetattr(line.masterFd(), &t), 0);
        return (t.c_cflag & CRTSCTS) != 0;
    };
    termios before{};
    ASSERT_EQ(::tcgetattr(line.masterFd(), &before), 0);
    before.c_cflag |= CRTSCTS;
    ASSERT_EQ(::tcsetattr(line.masterFd(), TCSANOW, &before), 0);
    ASSERT_TRUE(lineWaitsForCts());

    OpenPort();
    EXPECT_EQ(Get(sport, 8).result, Variant::Bool(false));
    EXPECT_FALSE(lineWaitsForCts()) << "after PortOpen";

    for (std::int32_t rtsControl : {0, 1, 2, 3}) {
        Put(sport, 12, Variant::I4(rtsControl));
        EXPECT_EQ(Get(sport, 12).result, Variant::I4(rtsControl));
        EXPECT_FALSE(lineWaitsForCts()) << "RTS control " << rtsControl;

        Put(sport, 8, Variant::Bool(true));
        EXPECT_EQ(Get(sport, 8).result, Variant::Bool(true));
        EXPECT_TRUE(lineWaitsForCts()) << "CTS output flow with RTS control " << rtsControl;

        Put(sport, 8, Variant::Bool(false));
        EXPECT_EQ(Get(sport, 12).result, Variant::I4(rtsControl));
        EXPECT_FALSE(lineWaitsForCts()) << "CTS output flow off, RTS control " << rtsControl;
    }

    // Choosing RTS handshake while CTS output flow is on keeps the line waiting for CTS.
    Put(sport, 8, Variant::Bool(true));
    Put(sport, 12, Variant::I4(2));
    EXPECT_TRUE(lineWaitsForCts());
    OpenPort();
    EXPECT_FALSE(lineWaitsForCts()) << "after opening again";
}

TEST(SportClosed, TransfersOnAClosedPortFailOrReadNothing)
{
    Sport sport;
    InvokeResult r = Call(sport, 13, {Variant::I4(1)});
    EXPECT_EQ(r.result.vt(), VT_NULL);
    EXPECT_EQ(sport.GetErrorString(), "Can't write to serial port");
    EXPECT_EQ(Get(sport, 7).result, Variant::Bstr(""));
    EXPECT_EQ(Call(sport, 15).result, Variant::I4(0));

    // A failed Output is recorded rather than escaping the call.
    Put(sport, 0x10001, Variant::I4(2));
    r = Put(sport, 6, Variant::Bstr("x"));
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.description, "Can't write to serial port");
}

TEST(SportModemLines, DtrRtsAndFlowControlReachTheDevice)
{
    SportOnFake f;
    Put(*f.sport, 2, Variant::Bool(true));
    Put(*f.sport, 3, Variant::Bool(false));
    EXPECT_TRUE(f.fake->dtr());
    EXPECT_FALSE(f.fake->rts());
    f.fake->SetModemStatus(0x10);
    EXPECT_EQ(Get(*f.sport, 9).result, Variant::Bool(true));
    EXPECT_EQ(Get(*f.sport, 10).result, Variant::Bool(false));
    Put(*f.sport, 8, Variant::I4(7));
    EXPECT_EQ(Get(*f.sport, 8).result, Variant::Bool(true));
    EXPECT_TRUE(f.fake->settings().ctsOutFlow);
}

TEST(SportModemLines, RtsToggleWrapsSendBytesButNotOutput)
{
    SportOnFake f;
    Put(*f.sport, 12, Variant::I4(3));
    EXPECT_EQ(Get(*f.sport, 12).result, Variant::I4(3));
    f.fake->ClearEvents();
    Call(*f.sport, 13, {ByteArray(VT_UI1, {1, 2})});
    ASSERT_GE(f.fake->events().size(), 3u);
    EXPECT_EQ(f.fake->events().front(), "CLRRTS");
    EXPECT_EQ(f.fake->events().back(), "SETRTS");

    f.fake->ClearEvents();
    Put(*f.sport, 6, Variant::Bstr("ok"));
    for (const std::string& event : f.fake->events())
        EXPECT_EQ(event.find("RTS"), std::string::npos) << event;
}

TEST(SportModemLines, InputStopsAtItsLimitWhenTheLineNeverPauses)
{
    SportOnFake f;
    f.fake->QueueInput(Bytes(Sport::kInputLimit + 10, 0x5A));
    const Variant input = Get(*f.sport, 7).result;
    EXPECT_EQ(input.bstr().size(), Sport::kInputLimit);
    EXPECT_EQ(f.fake->pendingInput(), 10u);
}

}  // namespace
