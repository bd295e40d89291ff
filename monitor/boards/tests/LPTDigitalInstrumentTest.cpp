#include "monitor/boards/LPTDigitalInstrument.h"

#include "platform/PortMap.h"
#include "platform/tests/FakeParallelPort.h"
#include "platform/tests/RecordingNotifier.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Message = RecordingNotifier::Message;
using Bytes = std::vector<std::uint8_t>;

class LPTDigitalInstrumentTest : public ::testing::Test {
protected:
    LPTDigitalInstrumentTest() { Notifier::SetCurrent(&notifier); }
    ~LPTDigitalInstrumentTest() override { Notifier::SetCurrent(nullptr); }

    // An instrument on a fake port that the test keeps a view of.
    LPTDigitalInstrument OnFakePort()
    {
        auto owned = std::make_unique<FakeParallelPort>();
        port = owned.get();
        return LPTDigitalInstrument(std::move(owned));
    }

    RecordingNotifier notifier;
    FakeParallelPort* port = nullptr;
};

const Message kNoAccess{"Portlane doesn't work with NT release mode.", "LPTDigitalInstrument"};
const Message kInputDenied{"NT can not talk directly to hardware port.", "GetDigitalInput()"};
const Message kOutputDenied{"NT can not talk directly to hardware port.", "SetDigitalOutput()"};

}  // namespace

TEST_F(LPTDigitalInstrumentTest, ConstructionWritesNothing)
{
    LPTDigitalInstrument instrument = OnFakePort();
    EXPECT_TRUE(port->writes().empty());
    EXPECT_EQ(instrument.OutputShadow(), 0);
    EXPECT_TRUE(instrument.HasPortAccess());
    EXPECT_TRUE(notifier.messages().empty());
}

TEST_F(LPTDigitalInstrumentTest, OutputsSetAndClearTheirBitOfTheDataRegister)
{
    LPTDigitalInstrument instrument = OnFakePort();
    instrument.SetDigitalOutput(1, 1);
    instrument.SetDigitalOutput(0, 1);
    instrument.SetDigitalOutput(1, 0);
    instrument.SetDigitalOutput(0, 7);  // any value but 0 sets the line
    EXPECT_EQ(port->writes(), (Bytes{0x02, 0x03, 0x01, 0x01}));
}

TEST_F(LPTDigitalInstrumentTest, AnOutputLineAboveOneIsAnIllegalParameter)
{
    LPTDigitalInstrument instrument = OnFakePort();
    instrument.SetDigitalOutput(0, 1);
    instrument.SetDigitalOutput(2, 1);
    EXPECT_EQ(port->writes(), Bytes{0x01});
    EXPECT_EQ(instrument.OutputShadow(), 0x01);
    EXPECT_EQ(notifier.messages(), (std::vector<Message>{{"Illegal parameter.", "SetDigitalOutput()"}}));
}

TEST_F(LPTDigitalInstrumentTest, InputsAreBusyAsReadAndAckInverted)
{
    LPTDigitalInstrument instrument = OnFakePort();
    port->SetStatus(0x80);
    EXPECT_TRUE(instrument.GetDigitalInput(0));
    EXPECT_TRUE(instrument.GetDigitalInput(1));
    port->SetStatus(0x40);
    EXPECT_FALSE(instrument.GetDigitalInput(0));
    EXPECT_FALSE(instrument.GetDigitalInput(1));
    port->SetStatus(0xC0);
    EXPECT_TRUE(instrument.GetDigitalInput(0));
    EXPECT_FALSE(instrument.GetDigitalInput(1));
    port->SetStatus(0x3F);  // the other bits do not matter
    EXPECT_FALSE(instrument.GetDigitalInput(0));
    EXPECT_TRUE(instrument.GetDigitalInput(1));
    EXPECT_EQ(port->statusReads(), 8);
}

TEST_F(LPTDigitalInstrumentTest, AnInputLineAboveOneIsAnIllegalParameterAndReadsTrue)
{
    LPTDigitalInstrument instrument = OnFakePort();
    port->SetStatus(0x40);
    EXPECT_TRUE(instrument.GetDigitalInput(5));
    EXPECT_EQ(port->statusReads(), 0);
    EXPECT_EQ(notifier.messages(), (std::vector<Message>{{"Illegal parameter.", "GetDigitalInput()"}}));
}

TEST_F(LPTDigitalInstrumentTest, WithoutAccessEveryCallIsAnnouncedAndInputsReadTrue)
{
    LPTDigitalInstrument instrument(nullptr, "Cannot open the parallel port LPT1 (/dev/parport0): no such device");
    EXPECT_FALSE(instrument.HasPortAccess());
    EXPECT_EQ(notifier.messages(),
              (std::vector<Message>{kNoAccess,
                                    {"Cannot open the parallel port LPT1 (/dev/parport0): no such device",
                                     "LPTDigitalInstrument"}}));
    notifier.Clear();

    instrument.SetDigitalOutput(0, 1);
    EXPECT_TRUE(instrument.GetDigitalInput(0));
    EXPECT_TRUE(instrument.GetDigitalInput(1));
    EXPECT_TRUE(instrument.GetDigitalInput(9));  // no access comes before the line check
    instrument.SetDigitalOutput(4, 1);
    EXPECT_EQ(notifier.messages(),
              (std::vector<Message>{kOutputDenied, kInputDenied, kInputDenied, kInputDenied, kOutputDenied}));
    EXPECT_EQ(instrument.OutputShadow(), 0);
}

TEST_F(LPTDigitalInstrumentTest, TheDefaultPortNamesTheReasonItCannotBeOpened)
{
    ScopedConfigHome home;
    ASSERT_TRUE(PortMap::Link("lpt1", home.path() + "/nothing-here"));
    LPTDigitalInstrument instrument;
    EXPECT_FALSE(instrument.HasPortAccess());
    ASSERT_EQ(notifier.messages().size(), 2u);
    EXPECT_EQ(notifier.messages()[0], kNoAccess);
    EXPECT_EQ(notifier.messages()[1].text, instrument.AccessError());
    EXPECT_NE(instrument.AccessError().find("no such device"), std::string::npos);
    EXPECT_NE(instrument.AccessError().find(PortMap::LinkPath("lpt1")), std::string::npos);
}

TEST_F(LPTDigitalInstrumentTest, APortThatStopsAnsweringTurnsIntoNoAccess)
{
    LPTDigitalInstrument instrument = OnFakePort();
    port->SetFailing(true);
    EXPECT_TRUE(instrument.GetDigitalInput(1));
    EXPECT_FALSE(instrument.HasPortAccess());
    EXPECT_EQ(instrument.AccessError(), "The parallel port LPT1 stopped answering");
    instrument.SetDigitalOutput(0, 1);
    EXPECT_EQ(notifier.messages(), (std::vector<Message>{kInputDenied, kOutputDenied}));
}
