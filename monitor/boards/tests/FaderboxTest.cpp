#include "monitor/boards/Ezkit21k.h"
#include "monitor/boards/Faderbox.h"
#include "monitor/boards/FaderboxLink.h"
#include "monitor/boards/tests/FirstCall.h"
#include "monitor/boards/tests/SimulatedDeviceLine.h"
#include "simulators/faderbox/FaderboxSimulator.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kPing{0xA5, 0x00, 0x80, 0x00};

Variant I4Pair(std::int32_t first, std::int32_t second)
{
    SafeArray array = SafeArray::Vector(VT_I4, 2);
    array.set(0, Variant::I4(first));
    array.set(1, Variant::I4(second));
    return Variant::Array(std::move(array));
}

class FaderboxTest : public ::testing::Test {
protected:
    FaderboxTest()
    {
        auto device = std::make_unique<SimulatedDeviceLine>(console);
        line = device.get();
        box = std::make_unique<Faderbox>(std::move(device));
    }

    Variant Call(const char* name, std::vector<Variant> args = {})
    {
        std::int32_t dispid = 0;
        EXPECT_EQ(box->GetIDsOfNames(name, dispid), S_OK) << name;
        InvokeResult got = box->Invoke(dispid, InvokeKind::Method, std::move(args));
        EXPECT_EQ(got.hr, S_OK) << name;
        return got.result;
    }
    void ExpectError(const Variant& result, const std::string& text)
    {
        EXPECT_EQ(result, Variant::Null());
        EXPECT_EQ(box->GetErrorCode(), 0);
        EXPECT_EQ(box->GetErrorString(), text);
    }

    ScopedConfigHome home{"com1"};
    FaderboxSimulator console;
    SimulatedDeviceLine* line = nullptr;
    std::unique_ptr<Faderbox> box;
};

TEST_F(FaderboxTest, DispatchIdentifiers)
{
    const std::pair<const char*, std::int32_t> expected[] = {
        {"SetBaud", 1}, {"Ping", 2}, {"Port", 3}, {"LoadSym", 0x10001}, {"ReadDM", 0x10003}, {"WritePM", 0x10006}, {"ReadFlash", 0x20004}, {"ErrorCode", 0x30002}};
    for (const auto& [name, id] : expected) {
        std::int32_t dispid = -1;
        ASSERT_EQ(box->GetIDsOfNames(name, dispid), S_OK) << name;
        EXPECT_EQ(dispid, id) << name;
    }
    EXPECT_EQ(Faderbox::Map().members().size(), 3u);
}

TEST_F(FaderboxTest, PingSendsItsFourBytesAndReturnsBothValues)
{
    console.SetPingValues(0x1234, 0x5678);
    EXPECT_EQ(Call("Ping"), I4Pair(0x1234, 0x5678));
    EXPECT_EQ(line->settings().baudRate, 115200u);
    EXPECT_EQ(line->written(), kPing);
    EXPECT_EQ(line->purgedAt(), std::vector<std::size_t>{0});
}

TEST_F(FaderboxTest, ValuesAreUnsigned)
{
    console.SetPingValues(0xFFFF, 0x8000);
    EXPECT_EQ(Call("Ping"), I4Pair(65535, 32768));
}

TEST_F(FaderboxTest, SilentConsoleTimesOut)
{
    console.InjectFault({FaderboxFaultKind::Silence, 1, std::nullopt});
    ExpectError(Call("Ping"), "SerialPort Timeout Error");
    EXPECT_EQ(line->readTimeouts(), 1u);
}

TEST_F(FaderboxTest, ShortReplyTimesOut)
{
    console.InjectFault({FaderboxFaultKind::ShortReply, 1, 5});
    ExpectError(Call("Ping"), "SerialPort Timeout Error");
}

TEST_F(FaderboxTest, WrongFirstOrThirdByteIsAnError)
{
    console.InjectFault({FaderboxFaultKind::WrongFirstByte, 1, std::nullopt});
    ExpectError(Call("Ping"), "Ping reply does not start with 0xA5");
    console.InjectFault({FaderboxFaultKind::WrongThirdByte, 1, std::nullopt});
    box->SetErrorMethod(1);
    EXPECT_EQ(Call("Ping"), Variant::Error(5));
    EXPECT_EQ(box->GetErrorString(), "Ping reply code is not 0x7F");
    // The next ping starts clean: what is left of the spoilt reply is discarded.
    EXPECT_EQ(Call("Ping"), I4Pair(0x0102, 0x0304));
}

TEST(FaderboxLinkTest, EveryFailureOfThePingComesBackAsAResult)
{
    ScopedConfigHome home{"com1"};
    FaderboxSimulator console;
    FaderboxLink port(std::make_unique<SimulatedDeviceLine>(console));
    port.Open();
    std::uint16_t first = 1;
    std::uint16_t second = 2;
    console.InjectFault({FaderboxFaultKind::WrongFirstByte, 1, std::nullopt});
    EXPECT_EQ(port.Ping(first, second), LinkResult{LinkResult::WrongStart});
    console.InjectFault({FaderboxFaultKind::WrongThirdByte, 1, std::nullopt});
    EXPECT_EQ(port.Ping(first, second), LinkResult{LinkResult::WrongStatus});
    console.InjectFault({FaderboxFaultKind::Silence, 1, std::nullopt});
    EXPECT_EQ(port.Ping(first, second), (LinkResult{LinkResult::SerialFailure, SerialPortException::Timeout}));
    EXPECT_EQ(first, 1);  // values are set only by a right reply
    EXPECT_EQ(second, 2);
}

TEST_F(FaderboxTest, ErrorMethodTwoThrows)
{
    box->SetErrorMethod(2);
    console.InjectFault({FaderboxFaultKind::WrongFirstByte, 1, std::nullopt});
    InvokeResult got = box->Invoke(2, InvokeKind::Method, {});
    EXPECT_EQ(got.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(got.excep.description, "Ping reply does not start with 0xA5");
}

TEST_F(FaderboxTest, LateReplyAndStrayBytesDoNotAnswerTheNextPing)
{
    console.InjectFault({FaderboxFaultKind::Late, 1, std::nullopt});
    ExpectError(Call("Ping"), "SerialPort Timeout Error");
    console.SetPingValues(7, 8);
    console.InjectFault({FaderboxFaultKind::Garbage, 1, std::nullopt});
    EXPECT_EQ(Call("Ping"), I4Pair(7, 8));
    console.SetPingValues(9, 10);
    EXPECT_EQ(Call("Ping"), I4Pair(9, 10));
    EXPECT_EQ(line->bytesPurged(), 7u + 3u);
}

TEST_F(FaderboxTest, SetBaudChangesTheLineAndSendsNothing)
{
    EXPECT_EQ(Call("SetBaud", {Variant::I4(9600)}), Variant::I4(0));
    EXPECT_EQ(line->settings().baudRate, 9600u);
    EXPECT_TRUE(line->written().empty());
}

TEST_F(FaderboxTest, InheritedMemoryAndFlashMembersAnswerEmpty)
{
    const Variant zeros[] = {Variant::I4(0), Variant::I4(4), Variant::I4(0), Variant::I4(0)};
    EXPECT_EQ(Call("ReadDM", {zeros[0], zeros[1], zeros[2], zeros[3]}), Variant());
    EXPECT_EQ(Call("WriteDM", {zeros[0], zeros[1], zeros[2], zeros[3]}), Variant());
    EXPECT_EQ(Call("ReadPM", {zeros[0], zeros[1], zeros[2], zeros[3]}), Variant());
    EXPECT_EQ(Call("ReadFlash", {zeros[0], zeros[1]}), Variant());
    EXPECT_EQ(Call("WriteFlash", {zeros[0], zeros[1]}), Variant());
    EXPECT_TRUE(line->written().empty());
}


// A failure kind that a board's table does not list is recorded as an error
// with the failure's code, never passed as success.
template <class Board>
class UnlistedFailure : public Board {
public:
    using Board::Board;
    using Board::Fail;
};

TEST(BoardFailureTables, AKindMissingFromTheTableIsRecordedAsAnError)
{
    ScopedConfigHome home{"com1"};
    FaderboxSimulator console;
    UnlistedFailure<Faderbox> box(std::make_unique<SimulatedDeviceLine>(console));
    UnlistedFailure<Ezkit21k> ezkit(std::make_unique<SimulatedDeviceLine>(console));
    const struct {
        AutoBase& board;
        std::function<Variant(const LinkResult&)> fail;
        LinkResult unlisted;
    } rows[] = {
        {box, [&](const LinkResult& f) { return box.Fail(f); }, {LinkResult::BadCheckBytes, 4}},
        {ezkit, [&](const LinkResult& f) { return ezkit.Fail(f); }, {LinkResult::NoPowerOnFrame, 6}},
    };
    for (const auto& row : rows) {
        row.board.SetErrorMethod(1);
        EXPECT_EQ(row.fail(row.unlisted), Variant::Error(row.unlisted.code + 5));
        EXPECT_EQ(row.board.GetErrorCode(), row.unlisted.code);
        EXPECT_EQ(row.board.GetErrorString(), "General Error");
    }
}

// Counts no memory can hold fail at once, each on a new object as a client's first
// call; HostileClientTest makes the same calls through the server.
TEST_F(FaderboxTest, HugeAndNegativeCountsFailAtOnce)
{
    constexpr std::int32_t kHuge = FirstCall::kHuge;
    const auto i4 = [](std::int32_t v) { return Variant::I4(v); };
    FirstCall::ExpectEach([this] { return std::make_unique<Faderbox>(std::make_unique<SimulatedDeviceLine>(console)); },
                          {
                              {"ReadDM", {i4(0), i4(kHuge), i4(0), i4(0)}, Variant(), ""},
                              {"ReadFlash", {i4(0), i4(kHuge)}, Variant(), ""},
                          });
    EXPECT_EQ(console.PingsReceived(), 0u);
}

}  // namespace
