// The Port property of the serial boards: where it sits in each dispatch map, and
// what it does to the lines, read back from the device side of pseudo-terminals.
#include "automation/core/DispatchException.h"
#include "monitor/boards/Ez2181.h"
#include "monitor/boards/Faderbox.h"
#include "monitor/boards/SerialBoards.h"  // made from boards.cmake
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <future>

#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::pair<const char*, std::int32_t>>;

// com1 and com2 of these tests are pseudo-terminals; the test is the device on their masters.
class SerialBoardPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com1.ok() && com2.ok());
        ASSERT_TRUE(PortMap::Link("com1", com1.slavePath()));
        ASSERT_TRUE(PortMap::Link("com2", com2.slavePath()));
    }

    // The rate a line itself runs at.
    static std::uint32_t LineRate(const PtyPair& line)
    {
        termios t{};
        if (::tcgetattr(line.masterFd(), &t) != 0) return 0;
        return TermiosCommDevice::RateOf(::cfgetospeed(&t));
    }

    // Plays the device for one exchange: takes a request of `length` bytes, then
    // answers (after the board's purge of its input); the request, as it came.
    static std::future<Bytes> AnswerOnce(PtyPair& line, std::size_t length, Bytes reply)
    {
        return std::async(std::launch::async, [&line, length, reply] {
            Bytes request = line.Receive(length, 5000);
            line.Send(reply);
            return request;
        });
    }

    static bool Free(const PtyPair& line)
    {
        TermiosCommDevice device;
        return device.Open(line.slavePath());
    }

    ScopedConfigHome home;
    PtyPair com1;
    PtyPair com2;
};

void ExpectIdentifiers(const Dispatchable& object, const Names& names)
{
    for (const auto& [name, expected] : names) {
        std::int32_t dispid = -1;
        EXPECT_EQ(object.GetIDsOfNames(name, dispid), S_OK) << name;
        EXPECT_EQ(dispid, expected) << name;
    }
}

}  // namespace

// Scripts and pellori call by fixed identifiers: Port is the last entry of each
// board's own map, and every identifier a client knew from before stays. Each
// board's own identifiers are in its own test (<Board>Test, DispatchIdentifiers).
TEST_F(SerialBoardPortTest, PortComesLastInEachBoardsOwnMapAndNoOtherIdentifierMoved)
{
    const Names inherited = {{"ReadSym", 0x20001}, {"FindSym", 0x20002}, {"WriteSym", 0x20003}, {"ReadFlash", 0x20004}, {"WriteFlash", 0x20005}, {"ErrorMethod", 0x30001}, {"ErrorCode", 0x30002}, {"ErrorString", 0x30003}};
    SerialBoards::ForEach([&inherited]<class Board>() {
        Board board;
        ExpectIdentifiers(board, inherited);
        ExpectIdentifiers(board, {{"Port", static_cast<std::int32_t>(Board::Map().members().size())}});
    });
}

TEST_F(SerialBoardPortTest, SettingPortFreesTheOldLineAndTheNextCallOpensTheNewOneAtTheRateItHad)
{
    Ez2181 board;
    EXPECT_EQ(board.GetPort(), "com1");
    EXPECT_TRUE(Free(com1));  // a new board takes its port at its first call
    auto first = AnswerOnce(com1, 6, {0xFA, 0x00, 0x03, 0xFE, 0x12, 0xF0});
    EXPECT_EQ(board.Reset(0), Variant::I4(0)) << board.GetErrorString();
    EXPECT_EQ(first.get().size(), 6u);
    EXPECT_FALSE(Free(com1));
    board.SetBaud(19200);

    board.SetPort("COM2");
    EXPECT_EQ(board.GetPort(), "com2");
    EXPECT_TRUE(Free(com1));
    EXPECT_TRUE(Free(com2));  // nothing is opened before a call needs the line

    auto request = AnswerOnce(com2, 6, {0xFA, 0x00, 0x03, 0xFE, 0x12, 0xF0});
    EXPECT_EQ(board.Reset(0), Variant::I4(0)) << board.GetErrorString();
    EXPECT_EQ(request.get(), (Bytes{0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF5}));
    EXPECT_EQ(LineRate(com2), 19200u);
    EXPECT_FALSE(Free(com2));
    EXPECT_TRUE(com1.Receive(1, 50).empty());
}

// Boards made at once, each then set to its own port: one made while another
// moves to COM1 does not take COM1 from it.
TEST_F(SerialBoardPortTest, ABoardMadeWhileAnotherMovesToCom1LeavesCom1ToIt)
{
    Ez2181 first;
    first.SetPort("com1");
    Ez2181 second;
    auto request = AnswerOnce(com1, 6, {0xFA, 0x00, 0x03, 0xFE, 0x12, 0xF0});
    EXPECT_EQ(first.Reset(0), Variant::I4(0)) << first.GetErrorString();
    EXPECT_EQ(request.get().size(), 6u);
    second.SetPort("com2");
    EXPECT_TRUE(Free(com2));
}

// A board made while its first port was taken never had a line; a rate set then is
// the rate its new port opens at.
TEST_F(SerialBoardPortTest, ABoardThatCouldNotOpenCom1OpensTheNewPortAtItsOwnRate)
{
    TermiosCommDevice holder;
    ASSERT_TRUE(holder.Open(com1.slavePath()));
    Ez2181 board;
    board.SetPort("com2");
    auto request = AnswerOnce(com2, 6, {0xFA, 0x00, 0x03, 0xFE, 0x12, 0xF0});
    EXPECT_EQ(board.Reset(0), Variant::I4(0)) << board.GetErrorString();
    EXPECT_EQ(request.get().size(), 6u);
    EXPECT_EQ(LineRate(com2), Ez2181::kInitialBaudRate);

    Faderbox console;
    console.SetPort("com1");
    holder.Close();
    auto ping = AnswerOnce(com1, 4, {0xA5, 0x00, 0x7F, 0x34, 0x12, 0x78, 0x56});
    const Variant values = console.Ping();
    EXPECT_EQ(ping.get(), (Bytes{0xA5, 0x00, 0x80, 0x00}));
    EXPECT_EQ(LineRate(com1), Faderbox::kBaudRate);
    ASSERT_TRUE(values.IsArray()) << console.GetErrorString();
    EXPECT_EQ(values.array().at(0), Variant::I4(0x1234));
}

// The same for every serial board: Port is the base's.
TEST_F(SerialBoardPortTest, ANameThatIsNoSerialPortIsAClearErrorAndChangesNothing)
{
    SerialBoards::ForEach([this]<class Board>() {
        SCOPED_TRACE(Board::kProgId);
        Board board;
        const std::int32_t port = static_cast<std::int32_t>(Board::Map().members().size());
        for (const char* name : {"", "com0", "com01", "com256", "lpt1", "com1 ", "/dev/ttyS0", "com-1", "com2x"}) {
            board.SetPort(name);
            EXPECT_EQ(board.GetErrorString(),
                      std::string("Port must be a serial port of the port map, com1 to com255, not \"") + name + "\"");
            EXPECT_EQ(board.GetErrorCode(), 0);
            EXPECT_EQ(board.GetPort(), "com1");
            EXPECT_TRUE(Free(com1)) << name;  // and nothing was opened
        }
        // Well formed, but the port map's folder has no link for it.
        board.SetPort("com7");
        EXPECT_EQ(board.GetErrorString().rfind("COM7 is not in the port map: ", 0), 0u) << board.GetErrorString();
        EXPECT_EQ(board.GetPort(), "com1");
        EXPECT_TRUE(Free(com1));

        ASSERT_TRUE(PortMap::Link("com255", com2.slavePath()));
        board.SetPort("com255");
        EXPECT_EQ(board.GetPort(), "com255");

        // Through the dispatch map, with failures as exceptions.
        board.SetErrorMethod(AutoBase::ThrowException);
        const InvokeResult refused = board.Invoke(port, InvokeKind::PropertyPut, {Variant::Bstr("nowhere")});
        EXPECT_EQ(refused.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(refused.excep.description,
                  "Port must be a serial port of the port map, com1 to com255, not \"nowhere\"");
        EXPECT_EQ(board.Invoke(port, InvokeKind::PropertyGet, {}).result, Variant::Bstr("com255"));
    });
}
