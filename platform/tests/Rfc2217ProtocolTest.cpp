#include "platform/Rfc2217Protocol.h"

#include <gtest/gtest.h>

namespace {

using Bytes = Rfc2217Protocol::Bytes;

// What ser2net 4.3 sends on a new connection, recorded: WILL and DO SUPPRESS-GO-AHEAD,
// WILL ECHO, DONT ECHO, DO and WILL BINARY, DO COM-PORT-OPTION.
const Bytes kSer2netOpening = {0xff, 0xfb, 0x03, 0xff, 0xfd, 0x03, 0xff, 0xfb, 0x01, 0xff, 0xfe,
                               0x01, 0xff, 0xfd, 0x00, 0xff, 0xfb, 0x00, 0xff, 0xfd, 0x2c};

Bytes Received(Rfc2217Protocol& protocol, const Bytes& bytes)
{
    Bytes data;
    protocol.Receive(bytes.data(), bytes.size(), data);
    return data;
}

Rfc2217Protocol Greeted()
{
    Rfc2217Protocol protocol;
    Bytes greeting;
    protocol.AppendGreeting(greeting);
    return protocol;
}

}  // namespace

TEST(Rfc2217ProtocolTest, GreetingAndCommandsAreByteExact)
{
    Rfc2217Protocol protocol;
    Bytes out;
    protocol.AppendGreeting(out);
    EXPECT_EQ(out, (Bytes{0xff, 0xfb, 0x00, 0xff, 0xfd, 0x00, 0xff, 0xfb, 0x03, 0xff, 0xfd, 0x03,
                          0xff, 0xfb, 0x2c}));

    out.clear();
    Rfc2217Protocol::AppendBaudRate(out, 38400);
    Rfc2217Protocol::AppendCommand(out, Rfc2217Protocol::SetDataSize, {8});
    Rfc2217Protocol::AppendCommand(out, Rfc2217Protocol::SetParity, {3});
    Rfc2217Protocol::AppendCommand(out, Rfc2217Protocol::SetStopSize, {2});
    Rfc2217Protocol::AppendCommand(out, Rfc2217Protocol::SetControl, {Rfc2217Protocol::RtsOff});
    Rfc2217Protocol::AppendCommand(out, Rfc2217Protocol::PurgeData, {Rfc2217Protocol::PurgeReceived});
    Rfc2217Protocol::AppendCommand(out, Rfc2217Protocol::SetModemStateMask, {0xff});
    EXPECT_EQ(out, (Bytes{0xff, 0xfa, 0x2c, 0x01, 0x00, 0x00, 0x96, 0x00, 0xff, 0xf0,  //
                          0xff, 0xfa, 0x2c, 0x02, 0x08, 0xff, 0xf0,                    //
                          0xff, 0xfa, 0x2c, 0x03, 0x03, 0xff, 0xf0,                    //
                          0xff, 0xfa, 0x2c, 0x04, 0x02, 0xff, 0xf0,                    //
                          0xff, 0xfa, 0x2c, 0x05, 0x0c, 0xff, 0xf0,                    //
                          0xff, 0xfa, 0x2c, 0x0c, 0x01, 0xff, 0xf0,                    //
                          0xff, 0xfa, 0x2c, 0x0b, 0xff, 0xff, 0xff, 0xf0}));
}

TEST(Rfc2217ProtocolTest, ByteFfIsDoubledOnTheWayOutAndSingledOnTheWayIn)
{
    const Bytes data = {0x00, 0xff, 0xff, 0x41, 0xf0, 0xff};
    Bytes out;
    Rfc2217Protocol::AppendData(out, data.data(), data.size());
    EXPECT_EQ(out, (Bytes{0x00, 0xff, 0xff, 0xff, 0xff, 0x41, 0xf0, 0xff, 0xff}));

    // Byte by byte, so that every pair is split between two reads.
    Rfc2217Protocol protocol = Greeted();
    Bytes in;
    for (const std::uint8_t byte : out) protocol.Receive(&byte, 1, in);
    EXPECT_EQ(in, data);
    EXPECT_TRUE(protocol.TakeReplies().empty());
}

TEST(Rfc2217ProtocolTest, Ser2netOpeningIsAnsweredOnlyWhereItAsksForWhatWeDoNotDo)
{
    Rfc2217Protocol protocol = Greeted();
    EXPECT_FALSE(protocol.ComPortAccepted());
    EXPECT_TRUE(Received(protocol, kSer2netOpening).empty());
    EXPECT_TRUE(protocol.ComPortAccepted());
    EXPECT_FALSE(protocol.ComPortRefused());
    // Only the echo offer is turned down; what was asked for and granted needs no answer.
    EXPECT_EQ(protocol.TakeReplies(), (Bytes{0xff, 0xfe, 0x01}));
    // The same requests again change nothing and are not answered again and again.
    Received(protocol, {0xff, 0xfd, 0x00, 0xff, 0xfb, 0x03, 0xff, 0xfd, 0x2c});
    EXPECT_TRUE(protocol.TakeReplies().empty());
    // An option we did not offer is refused, one we offered and gave up is given up.
    Received(protocol, {0xff, 0xfd, 0x18, 0xff, 0xfe, 0x00});
    EXPECT_EQ(protocol.TakeReplies(), (Bytes{0xff, 0xfc, 0x18, 0xff, 0xfc, 0x00}));
}

TEST(Rfc2217ProtocolTest, APeerThatRefusesTheComPortOptionIsToldApart)
{
    Rfc2217Protocol protocol = Greeted();
    Received(protocol, {0xff, 0xfe, 0x2c});
    EXPECT_TRUE(protocol.ComPortRefused());
    EXPECT_FALSE(protocol.ComPortAccepted());
    EXPECT_TRUE(protocol.HeardTelnet());

    Rfc2217Protocol silent = Greeted();
    EXPECT_EQ(Received(silent, {'l', 'o', 'g', 'i', 'n', ':'}), (Bytes{'l', 'o', 'g', 'i', 'n', ':'}));
    EXPECT_FALSE(silent.HeardTelnet());
    EXPECT_FALSE(silent.ComPortRefused());
}

TEST(Rfc2217ProtocolTest, AnswersAndNotificationsAreKept)
{
    Rfc2217Protocol protocol = Greeted();
    // Recorded from ser2net: the modem state, then the answers to the four queries.
    const Bytes data = Received(
        protocol, {0xff, 0xfa, 0x2c, 0x6b, 0xb0, 0xff, 0xf0, 0xff, 0xfa, 0x2c, 0x65, 0x00, 0x00, 0x25, 0x80, 0xff,
                   0xf0, 0xff, 0xfa, 0x2c, 0x66, 0x08, 0xff, 0xf0, 0xff, 0xfa, 0x2c, 0x67, 0x01, 0xff, 0xf0});
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(protocol.ModemState(), 0xb0);
    EXPECT_EQ(protocol.Answers(Rfc2217Protocol::SetBaudRate), 1u);
    EXPECT_EQ(protocol.AnsweredBaudRate(), 9600u);
    EXPECT_EQ(protocol.LastAnswer(Rfc2217Protocol::SetDataSize), (Bytes{8}));
    EXPECT_EQ(protocol.LastAnswer(Rfc2217Protocol::SetParity), (Bytes{1}));
    EXPECT_EQ(protocol.Answers(Rfc2217Protocol::SetStopSize), 0u);

    // A doubled 0xFF inside a value is one byte of it.
    Received(protocol, {0xff, 0xfa, 0x2c, 0x65, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xf0});
    EXPECT_EQ(protocol.AnsweredBaudRate(), 0xffffu);
    EXPECT_EQ(protocol.Malformed(), 0u);
}

TEST(Rfc2217ProtocolTest, GarbageInASubnegotiationIsDroppedAndNothingAfterItsEndIsLost)
{
    Rfc2217Protocol protocol = Greeted();
    const Bytes data = Received(protocol, {
                                              0xff, 0xfa, 0x2c, 0x65, 0x01, 0x02, 0xff, 0xf0, 'a',  // a rate of two bytes
                                              0xff, 0xfa, 0x2c, 0x6b, 0x10, 0x20, 0xff, 0xf0, 'b',  // a modem state of two
                                              0xff, 0xfa, 0x2c, 0x7f, 0x01, 0xff, 0xf0, 'c',        // no such command
                                              0xff, 0xfa, 0x2c, 0x05, 0x01, 0xff, 0xf0, 'd',        // a client's command
                                              0xff, 0xfa, 0x2c, 0x6b, 0x80, 0xff, 0xfd, 0x00, 'e',  // cut short by IAC DO
                                              0xff, 0xfa, 0x2c, 0xff, 0xf0, 'f',                    // no command at all
                                              0xff, 0xfa, 0x18, 0x01, 0xff, 0xf0, 'g',              // another option's: ignored
                                          });
    EXPECT_EQ(data, (Bytes{'a', 'b', 'c', 'd', 'e', 'f', 'g'}));
    EXPECT_EQ(protocol.Malformed(), 6u);
    EXPECT_EQ(protocol.ModemState(), 0);
    EXPECT_EQ(protocol.Answers(Rfc2217Protocol::SetBaudRate), 0u);

    // An endless subnegotiation keeps only so much; its end still ends it.
    Bytes endless = {0xff, 0xfa, 0x2c, 0x64};
    endless.insert(endless.end(), 100000, 'x');
    endless.insert(endless.end(), {0xff, 0xf0, 'h'});
    EXPECT_EQ(Received(protocol, endless), (Bytes{'h'}));
    EXPECT_EQ(protocol.Malformed(), 7u);
}
