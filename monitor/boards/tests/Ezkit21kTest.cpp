#include "monitor/boards/Ezkit21k.h"
#include "monitor/boards/tests/FirstCall.h"
#include "monitor/boards/tests/SimulatedDeviceLine.h"
#include "monitor/core/tests/IntelHexFiles.h"
#include "simulators/ezkit21k/Ezkit21kSimulator.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::uint32_t>;
using Mailbox = Ezkit21kSimulator::MailboxCommand;

Bytes ToBytes(const Words& words)
{
    Bytes bytes;
    for (std::uint32_t w : words) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(w >> shift));
    }
    return bytes;
}

Variant I4Array(const Words& values)
{
    SafeArray array = SafeArray::Vector(VT_I4, values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        array.set(i, Variant::I4(static_cast<std::int32_t>(values[i])));
    return Variant::Array(std::move(array));
}

class Ezkit21kTest : public ::testing::Test {
protected:
    Ezkit21kTest()
    {
        auto device = std::make_unique<SimulatedDeviceLine>(sim);
        line = device.get();
        board = std::make_unique<Ezkit21k>(std::move(device));
    }

    // Calls a member by name, as a client does.
    InvokeResult Call(const char* name, std::vector<Variant> args)
    {
        std::int32_t dispid = 0;
        EXPECT_EQ(board->GetIDsOfNames(name, dispid), S_OK) << name;
        return board->Invoke(dispid, InvokeKind::Method, std::move(args));
    }
    Variant Result(const char* name, std::vector<Variant> args)
    {
        InvokeResult got = Call(name, std::move(args));
        EXPECT_EQ(got.hr, S_OK) << name;
        return got.result;
    }
    Variant ReadDM(std::int32_t address, std::int32_t count)
    {
        return Result("ReadDM", {Variant::I4(address), Variant::I4(count), Variant::I4(0), Variant::I4(0)});
    }
    void ExpectError(const Variant& result, std::int32_t code, const std::string& text)
    {
        EXPECT_EQ(result, Variant::Null());
        EXPECT_EQ(board->GetErrorCode(), code);
        EXPECT_EQ(board->GetErrorString(), text);
    }
    std::size_t Packets() const { return sim.ReceivedPackets().size(); }

    ScopedConfigHome home{"com1"};
    Ezkit21kSimulator sim;
    SimulatedDeviceLine* line = nullptr;
    std::unique_ptr<Ezkit21k> board;
};

TEST_F(Ezkit21kTest, OpensItsPortAt115200BaudAtItsFirstCall)
{
    EXPECT_TRUE(line->openedPath().empty());
    ReadDM(0, 1);
    EXPECT_FALSE(line->openedPath().empty());
    EXPECT_EQ(line->settings().baudRate, 115200u);
}

TEST_F(Ezkit21kTest, DispatchIdentifiers)
{
    const std::pair<const char*, std::int32_t> expected[] = {
        {"ResyncComm", 1}, {"ProgFlash", 2}, {"VerifyFlash", 3}, {"SetLockout", 4}, {"GetLockout", 5}, {"Port", 6}, {"LoadSym", 0x10001}, {"LoadProg", 0x10002}, {"ReadDM", 0x10003}, {"WriteDM", 0x10004}, {"ReadPM", 0x10005}, {"WritePM", 0x10006}, {"ReadSym", 0x20001}, {"WriteFlash", 0x20005}, {"ErrorMethod", 0x30001}, {"ErrorString", 0x30003}};
    for (const auto& [name, id] : expected) {
        std::int32_t dispid = -1;
        ASSERT_EQ(board->GetIDsOfNames(name, dispid), S_OK) << name;
        EXPECT_EQ(dispid, id) << name;
    }
    EXPECT_EQ(Ezkit21k::Map().members().size(), 6u);
}

TEST_F(Ezkit21kTest, ReadDMSendsTheRequestBytesAndReturnsTheWords)
{
    sim.SetDataWord(0x100, 0xDEADBEEF);
    sim.SetDataWord(0x101, 1);
    sim.SetDataWord(0x102, 0x7FFFFFFF);
    const Variant result = ReadDM(0x100, 3);
    EXPECT_EQ(line->written(), (Bytes{0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x05, 0x01,
                                      0x00, 0x01, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00}));
    EXPECT_EQ(result, I4Array({0xDEADBEEF, 1, 0x7FFFFFFF}));
    EXPECT_EQ(line->purgedAt(), std::vector<std::size_t>{0});
}

TEST_F(Ezkit21kTest, WrongCountOrHeaderIsRecordedAndNotRetried)
{
    sim.InjectFault({Ezkit21kFaultKind::WrongCount, 1, 2});
    ExpectError(ReadDM(0x100, 3), 0, "Unexpected packet length");
    EXPECT_EQ(Packets(), 1u);
    sim.InjectFault({Ezkit21kFaultKind::WrongDescriptor, 1, std::nullopt});  // bytes 6-7 are 05 01
    ExpectError(ReadDM(0x100, 3), 0, "Invalid Header");
    EXPECT_EQ(Packets(), 2u);
}

TEST_F(Ezkit21kTest, SilentBoardGetsFourAttemptsThenTimeout)
{
    sim.InjectFault({Ezkit21kFaultKind::Silence, 1, std::nullopt});
    ExpectError(ReadDM(0x100, 3), 0, "SerialPort Timeout Error");
    EXPECT_EQ(Packets(), 4u);
    // Each attempt starts again from the first request word, after a purge.
    const Bytes request = ToBytes({0, 0x01050004, 0x100, 3});
    Bytes fourTimes;
    for (int i = 0; i < 4; ++i)
        fourTimes.insert(fourTimes.end(), request.begin(), request.end());
    EXPECT_EQ(line->written(), fourTimes);
    EXPECT_EQ(line->purgedAt(), (std::vector<std::size_t>{0, 16, 32, 48}));
}

TEST_F(Ezkit21kTest, FourthAttemptMaySucceed)
{
    sim.SetDataWord(0x40, 77);
    sim.InjectFault({Ezkit21kFaultKind::Silence, 1, 3});
    EXPECT_EQ(ReadDM(0x40, 1), I4Array({77}));
    EXPECT_EQ(Packets(), 4u);
}

TEST_F(Ezkit21kTest, FailedWritesAreRetriedAsReadsAndReported)
{
    line->FailWrites(true);
    ExpectError(ReadDM(0x100, 1), 0, "Can't write to serial port");
    EXPECT_EQ(line->purgedAt().size(), 4u);
    ExpectError(Result("WriteDM", {Variant::I4(0), Variant::I4(1), Variant::I4(0), Variant::I4(0)}), 0,
                "Can't write to serial port");
    EXPECT_EQ(line->purgedAt().size(), 5u);
}

TEST_F(Ezkit21kTest, LateReplyIsNeverTakenForALaterAnswer)
{
    sim.SetDataWord(0x100, 0x111);
    sim.SetDataWord(0x200, 0x222);
    sim.InjectFault({Ezkit21kFaultKind::Late, 1, std::nullopt});
    EXPECT_EQ(ReadDM(0x100, 1), I4Array({0x111}));
    EXPECT_EQ(Packets(), 2u);
    EXPECT_EQ(ReadDM(0x200, 1), I4Array({0x222}));
    // The late reply was thrown away before the retry.
    EXPECT_EQ(line->bytesPurged(), 20u);
}

TEST_F(Ezkit21kTest, LateRepliesOfAFailedReadDoNotAnswerTheNext)
{
    sim.SetDataWord(0x100, 0x111);
    for (unsigned request = 1; request <= 4; ++request)
        sim.InjectFault({Ezkit21kFaultKind::Late, request, std::nullopt});
    ExpectError(ReadDM(0x100, 1), 0, "SerialPort Timeout Error");
    EXPECT_EQ(ReadDM(0x200, 1), I4Array({0}));
}

TEST_F(Ezkit21kTest, StrayBytesAfterAReplyAreDiscarded)
{
    sim.SetDataWord(0x10, 5);
    sim.InjectFault({Ezkit21kFaultKind::Garbage, 1, 6});
    EXPECT_EQ(ReadDM(0x10, 1), I4Array({5}));
    EXPECT_EQ(ReadDM(0x10, 1), I4Array({5}));
    EXPECT_EQ(line->bytesPurged(), 6u);
}

TEST_F(Ezkit21kTest, WriteDMSendsOnePacketAndChecksTheReply)
{
    EXPECT_EQ(Result("WriteDM", {Variant::I4(0x300), I4Array({1, 2, 3, 4, 0xFFFFFFFF}), Variant::I4(0), Variant::I4(0)}),
              Variant::I4(0));
    EXPECT_EQ(line->written(), ToBytes({0, 0x00050009, 0x300, 5, 1, 2, 3, 4, 0xFFFFFFFF}));
    EXPECT_EQ(sim.DataWord(0x304), 0xFFFFFFFFu);
    // A scalar is one word.
    EXPECT_EQ(Result("WriteDM", {Variant::I4(0x310), Variant::I2(-2), Variant::I4(0), Variant::I4(0)}),
              Variant::I4(0));
    EXPECT_EQ(line->written().size() - 36, 20u);
    EXPECT_EQ(sim.DataWord(0x310), 0xFFFFFFFEu);
}

TEST_F(Ezkit21kTest, WriteDMReplyFaultsAndSilenceAreNotRetried)
{
    Variant data = Variant::I4(1);
    sim.InjectFault({Ezkit21kFaultKind::WrongDescriptor, 1, 0x80060002});
    ExpectError(board->WriteDM(0, data, 0, 0), 0, "Invalid Header");
    sim.InjectFault({Ezkit21kFaultKind::WrongCount, 1, std::nullopt});
    ExpectError(board->WriteDM(0, data, 0, 0), 0, "Unexpected packet length");
    sim.InjectFault({Ezkit21kFaultKind::Silence, 1, std::nullopt});
    ExpectError(board->WriteDM(0, data, 0, 0), 0, "SerialPort Timeout Error");
    EXPECT_EQ(Packets(), 3u);
}

TEST_F(Ezkit21kTest, DataThatCannotBeConvertedIsRefused)
{
    Variant text = Variant::Bstr("abc");
    ExpectError(board->WriteDM(0, text, 0, 0), 0, "Can't access data");
    ExpectError(ReadDM(0, -1), 0, "Can't access data");
    EXPECT_TRUE(line->written().empty());
}

TEST_F(Ezkit21kTest, ProgramMemoryAnswersEmptyAndSendsNothing)
{
    EXPECT_EQ(Result("ReadPM", {Variant::I4(0), Variant::I4(4), Variant::I4(0), Variant::I4(0)}), Variant());
    InvokeResult got = board->Invoke(0x10006, InvokeKind::Method,
                                     {Variant::I4(0), Variant::I4(4), Variant::I4(0), Variant::I4(0)});
    EXPECT_EQ(got.hr, S_OK);
    EXPECT_EQ(got.result, Variant());
    EXPECT_TRUE(line->written().empty());
}

TEST_F(Ezkit21kTest, WriteFlashOfMoreThan256ValuesSendsNothing)
{
    ExpectError(Result("WriteFlash", {Variant::I4(0), I4Array(Words(257, 1))}), 0,
                "Can't write more than 256 bytes of data to FLASH");
    EXPECT_TRUE(line->written().empty());
}

TEST_F(Ezkit21kTest, WriteFlashSendsBufferAddressAndCommandInOrder)
{
    Words values(256);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint32_t>(255 - i);
    EXPECT_EQ(Result("WriteFlash", {Variant::I4(0x1200), I4Array(values)}), Variant::I4(0));
    const std::vector<Words> packets = sim.ReceivedPackets();
    ASSERT_EQ(packets.size(), 3u);
    Words buffer{0, 0x00050104, 0xD049, 256};
    buffer.insert(buffer.end(), values.begin(), values.end());
    EXPECT_EQ(packets[0], buffer);
    EXPECT_EQ(packets[1], (Words{0, 0x00050005, 0xD14A, 1, 0x1200}));
    EXPECT_EQ(packets[2], (Words{0, 0x00050005, 0xD043, 1, 3}));
    EXPECT_EQ(sim.FlashByte(0x1200), 255);
    EXPECT_EQ(sim.FlashByte(0x12FF), 0);
}

TEST_F(Ezkit21kTest, EachPacketGoesToTheLineInOneWrite)
{
    const Words values(256, 0x5A);
    EXPECT_EQ(Result("WriteFlash", {Variant::I4(0x1200), I4Array(values)}), Variant::I4(0));
    // The 256-value buffer packet, then the parameter and the command packets.
    EXPECT_EQ(line->writeEnds(), (std::vector<std::size_t>{1040, 1060, 1080}));
    EXPECT_EQ(line->purgedAt(), (std::vector<std::size_t>{0, 1040, 1060}));
    line->ClearWritten();
    ASSERT_EQ(Result("ResyncComm", {}), Variant::I4(0));
    // The sync packet, and the sync word once the monitor has answered.
    EXPECT_EQ(line->writeEnds(), (std::vector<std::size_t>{12, 16}));
}

TEST_F(Ezkit21kTest, WriteFlashStopsAtTheFirstFailingTransfer)
{
    sim.InjectFault({Ezkit21kFaultKind::WrongDescriptor, 2, std::nullopt});
    ExpectError(Result("WriteFlash", {Variant::I4(0x1200), I4Array({1, 2})}), 0, "Invalid Header");
    EXPECT_EQ(Packets(), 2u);
    EXPECT_TRUE(sim.MailboxLog().empty());
}

TEST_F(Ezkit21kTest, ReadFlashThroughTheMailbox)
{
    sim.SetFlashByte(0x3000, 0x12);
    sim.SetFlashByte(0x3002, 0x34);
    EXPECT_EQ(Result("ReadFlash", {Variant::I4(0x3000), Variant::I4(4)}), I4Array({0x12, 0xFF, 0x34, 0xFF}));
    const std::vector<Words> packets = sim.ReceivedPackets();
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[0], (Words{0, 0x00050005, 0xD14A, 1, 0x3000}));
    EXPECT_EQ(packets[1], (Words{0, 0x00050005, 0xD043, 1, 1}));
    EXPECT_EQ(packets[2], (Words{0, 0x01050004, 0xD049, 4}));
}

TEST_F(Ezkit21kTest, ReadFlashOfMoreThan256ValuesSendsNothing)
{
    ExpectError(Result("ReadFlash", {Variant::I4(0), Variant::I4(257)}), 0,
                "Can't read more than 256 bytes of data from FLASH");
    EXPECT_TRUE(line->written().empty());
    EXPECT_EQ(Result("ReadFlash", {Variant::I4(0), Variant::I4(256)}).array().size(), 256u);
}

TEST_F(Ezkit21kTest, SetLockoutWritesTheValueThenCommandFour)
{
    EXPECT_EQ(Result("SetLockout", {Variant::I4(2)}), Variant::I4(0));
    EXPECT_EQ(sim.MailboxLog(), (std::vector<Mailbox>{{4, 2}}));
    EXPECT_EQ(sim.LockoutBits(), 2u);
}

TEST_F(Ezkit21kTest, GetLockoutReadsBothStatusBytes)
{
    sim.SetLockoutStatusByte(0, 0xFF);
    sim.SetLockoutStatusByte(1, 0xFE);
    EXPECT_EQ(Result("GetLockout", {}), Variant::I4(1));
    const std::vector<Mailbox> bracket{{5, 1}, {1, 2}, {1, 0xFFFFF2}, {5, 0}};
    EXPECT_EQ(sim.MailboxLog(), bracket);
    sim.SetLockoutStatusByte(0, 0xFE);
    sim.SetLockoutStatusByte(1, 0xFF);
    EXPECT_EQ(Result("GetLockout", {}), Variant::I4(2));
    sim.SetLockoutBits(3);
    sim.SetLockoutStatusByte(1, 0xFF);
    sim.SetLockoutStatusByte(0, 0xFF);
    EXPECT_EQ(Result("GetLockout", {}), Variant::I4(3));
    EXPECT_FALSE(sim.ReadingLockoutStatus());
}

TEST_F(Ezkit21kTest, InvalidLockoutByteIsAnErrorAfterTheClosingCommand)
{
    sim.SetLockoutStatusByte(0, 0x00);
    ExpectError(Result("GetLockout", {}), 0, "Invalid Lockout Value:");
    EXPECT_EQ(sim.MailboxLog(), (std::vector<Mailbox>{{5, 1}, {1, 2}, {5, 0}}));
    EXPECT_FALSE(sim.ReadingLockoutStatus());

    board->SetErrorMethod(1);
    sim.SetLockoutStatusByte(0, 0xFF);
    sim.SetLockoutStatusByte(1, 0x12);
    EXPECT_EQ(Result("GetLockout", {}), Variant::Error(0x12 + 5));
    EXPECT_EQ(board->GetErrorCode(), 0x12);
}

TEST_F(Ezkit21kTest, UnderErrorMethodTwoTheClosingCommandsGoFirst)
{
    board->SetErrorMethod(2);
    sim.SetLockoutStatusByte(1, 0x80);
    InvokeResult got = Call("GetLockout", {});
    EXPECT_EQ(got.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(got.excep.description, "Invalid Lockout Value:");
    EXPECT_EQ(sim.MailboxLog().back(), (Mailbox{5, 0}));
    EXPECT_FALSE(sim.ReadingLockoutStatus());
}

TEST_F(Ezkit21kTest, AFailedStatusReadGoesOnWithTheNextBitThenClosesTheStatusMode)
{
    const auto writeDM = [](std::uint32_t address, std::uint32_t value) {
        return ToBytes({0, 0x00050005, address, 1, value});
    };
    const Bytes readBuffer = ToBytes({0, 0x01050004, 0xD049, 1});
    Bytes expected;
    const auto add = [&expected](const Bytes& bytes) { expected.insert(expected.end(), bytes.begin(), bytes.end()); };
    add(writeDM(0xD14A, 1));
    add(writeDM(0xD043, 5));
    add(writeDM(0xD14A, 2));  // the status byte at address 2, read four times in vain
    add(writeDM(0xD043, 1));
    for (int attempt = 0; attempt < 4; ++attempt)
        add(readBuffer);
    add(writeDM(0xD14A, 0xFFFFF2));  // the next bit is still read
    add(writeDM(0xD043, 1));
    add(readBuffer);
    add(writeDM(0xD14A, 0));
    add(writeDM(0xD043, 5));

    // Requests 1 and 2 open the status mode, 3 and 4 start the first read;
    // its buffer read gets no answer in four attempts.
    sim.SetLockoutStatusByte(1, 0xFF);
    sim.InjectFault({Ezkit21kFaultKind::Silence, 5, 4});
    ExpectError(Result("GetLockout", {}), 0, "SerialPort Timeout Error");
    EXPECT_EQ(line->written(), expected);
    EXPECT_EQ(sim.MailboxLog(), (std::vector<Mailbox>{{5, 1}, {1, 2}, {1, 0xFFFFF2}, {5, 0}}));
    EXPECT_FALSE(sim.ReadingLockoutStatus());

    // A wrong reply to the first read's command is passed over the same way.
    line->ClearWritten();
    sim.InjectFault({Ezkit21kFaultKind::WrongDescriptor, 4, std::nullopt});
    ExpectError(Result("GetLockout", {}), 0, "Invalid Header");
    const std::vector<Mailbox> log = sim.MailboxLog();
    ASSERT_EQ(log.size(), 8u);
    EXPECT_EQ(std::vector<Mailbox>(log.begin() + 4, log.end()),
              (std::vector<Mailbox>{{5, 1}, {1, 2}, {1, 0xFFFFF2}, {5, 0}}));
    EXPECT_EQ(Packets(), 13u + 9u);
    EXPECT_FALSE(sim.ReadingLockoutStatus());
}

TEST_F(Ezkit21kTest, GetLockoutStopsWhenTheOpeningParameterFails)
{
    sim.InjectFault({Ezkit21kFaultKind::WrongDescriptor, 1, std::nullopt});
    ExpectError(Result("GetLockout", {}), 0, "Invalid Header");
    EXPECT_EQ(Packets(), 1u);
}

TEST_F(Ezkit21kTest, ResyncCommSendsTheMarkersAroundItsPacket)
{
    EXPECT_EQ(Result("ResyncComm", {}), Variant::I4(0));
    EXPECT_EQ(line->written(), ToBytes({0xBADC0DB4, 0, 0x02080002, 0xBADC0DB4}));
    line->ClearWritten();
    sim.InjectFault({Ezkit21kFaultKind::WrongCount, 1, std::nullopt});
    ExpectError(Result("ResyncComm", {}), 0, "Invalid Header");
    EXPECT_EQ(line->written(), ToBytes({0xBADC0DB4, 0, 0x02080002}));
}

TEST_F(Ezkit21kTest, ResyncCommBringsAConfusedMonitorBackIntoStep)
{
    // Half a packet left on the monitor's side: the next request would be swallowed.
    line->Write(ToBytes({0, 0x00050010}).data(), 8);
    EXPECT_EQ(Result("ResyncComm", {}), Variant::I4(0));
    sim.SetDataWord(0x10, 9);
    EXPECT_EQ(ReadDM(0x10, 1), I4Array({9}));
}

class Ezkit21kFlashFileTest : public Ezkit21kTest {
protected:
    TempFolder folder;
    const ByteBlocks blocks{{0x000010, PatternBytes(300, 1)}, {0x0F9FF0, PatternBytes(16, 2)}};

    void ExpectFlashHoldsTheBlocks()
    {
        for (const auto& [address, bytes] : blocks)
            EXPECT_EQ(sim.FlashBytes(address, bytes.size()), bytes) << address;
        EXPECT_EQ(sim.FlashByte(0x0F), 0xFF);
    }
};

TEST_F(Ezkit21kFlashFileTest, ProgFlashFromIntelHexAndVerify)
{
    const std::string hex = MakeIntelHexFile(folder, "p.hex", blocks);
    EXPECT_EQ(Result("ProgFlash", {Variant::Bstr(hex), Variant::I4(0)}), Variant::I4(0));
    ExpectFlashHoldsTheBlocks();
    EXPECT_EQ(Result("VerifyFlash", {Variant::Bstr(hex), Variant::I4(0)}), Variant::I4(0));
    sim.SetFlashByte(0x105, static_cast<std::uint8_t>(~sim.FlashByte(0x105)));
    ExpectError(Result("VerifyFlash", {Variant::Bstr(hex), Variant::I4(0)}), 0x105, "Verify Error at Addr");
}

TEST_F(Ezkit21kFlashFileTest, ProgFlashFromSRecordsAndVerify)
{
    const std::string srec = MakeSRecordFile(folder, "p.bnm", blocks);
    EXPECT_EQ(Result("ProgFlash", {Variant::Bstr(srec), Variant::I4(1)}), Variant::I4(0));
    ExpectFlashHoldsTheBlocks();
    EXPECT_EQ(Result("VerifyFlash", {Variant::Bstr(srec), Variant::I4(7)}), Variant::I4(0));
    // Each page is one mailbox program command for 256 values.
    std::size_t programs = 0;
    for (const Mailbox& command : sim.MailboxLog())
        programs += command.command == 3;
    EXPECT_EQ(programs, 3u);
}

TEST_F(Ezkit21kFlashFileTest, FormatChoosesTheReader)
{
    const std::string srec = MakeSRecordFile(folder, "p.bnm", blocks);
    ExpectError(Result("ProgFlash", {Variant::Bstr(srec), Variant::I4(0)}), 4, "Error opening file");
    const std::string hex = MakeIntelHexFile(folder, "p.hex", blocks);
    ExpectError(Result("ProgFlash", {Variant::Bstr(hex), Variant::I4(1)}), 4, "Error opening file");
    EXPECT_TRUE(line->written().empty());
}

TEST_F(Ezkit21kFlashFileTest, LoadErrorsOfHexFiles)
{
    ExpectError(Result("ProgFlash", {Variant::Bstr(folder.Path("absent.hex")), Variant::I4(0)}), 3,
                "Error opening file");
    const std::string badSum = folder.Write("bad.hex", ":0100000001FF\n:00000001FF\n");
    ExpectError(Result("ProgFlash", {Variant::Bstr(badSum), Variant::I4(0)}), 7, "Error opening file");
    const std::string noEnd = folder.Write("open.hex", ":0100000001FE\n");
    ExpectError(Result("VerifyFlash", {Variant::Bstr(noEnd), Variant::I4(0)}), 5, "Error opening file");
    EXPECT_TRUE(line->written().empty());
}

TEST_F(Ezkit21kFlashFileTest, ProgFlashStopsAtTheBoardsFirstFailure)
{
    const std::string hex = MakeIntelHexFile(folder, "p.hex", blocks);
    sim.InjectFault({Ezkit21kFaultKind::Silence, 4, std::nullopt});  // the second page's buffer
    ExpectError(Result("ProgFlash", {Variant::Bstr(hex), Variant::I4(0)}), 0, "SerialPort Timeout Error");
    EXPECT_EQ(sim.FlashBytes(0x10, 4), Bytes(blocks.begin()->second.begin(), blocks.begin()->second.begin() + 4));
    EXPECT_EQ(sim.FlashByte(0x100), 0xFF);
}

// Counts no memory can hold fail at once, each on a new object as a client's first
// call; HostileClientTest makes the same calls through the server.
TEST_F(Ezkit21kTest, HugeAndNegativeCountsFailAtOnce)
{
    constexpr std::int32_t kHuge = FirstCall::kHuge;
    const auto i4 = [](std::int32_t v) { return Variant::I4(v); };
    FirstCall::ExpectEach([this] { return std::make_unique<Ezkit21k>(std::make_unique<SimulatedDeviceLine>(sim)); },
                          {
                              {"ReadDM", {i4(0), i4(kHuge), i4(0), i4(0)}, Variant::Null(), "Can't access data"},
                              {"ReadDM", {i4(0), i4(-2), i4(0), i4(0)}, Variant::Null(), "Can't access data"},
                              {"ReadPM", {i4(0), i4(kHuge), i4(0), i4(0)}, Variant(), ""},
                              {"ReadFlash", {i4(0), i4(kHuge)}, Variant::Null(), "Can't read more than 256 bytes of data from FLASH"},
                          });
    EXPECT_EQ(Packets(), 0u);
}

}  // namespace
