#include "monitor/boards/FourWire21xx.h"
#include "monitor/core/tests/SRecordFiles.h"

#include "automation/core/ApplicationLock.h"
#include "automation/core/ClassFactory.h"
#include "automation/core/SafeArray.h"
#include "platform/PortMap.h"
#include "platform/tests/FakeClock.h"
#include "platform/tests/FakeParallelPort.h"
#include "platform/tests/RecordingNotifier.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/fourwire/FourWireSocketServer.h"
#include "simulators/fourwire/FourWireTarget.h"
#include "simulators/fourwire/FourWireTargetPort.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Variant Array(VarType type, const std::vector<Variant>& values)
{
    return Variant::Array(*SafeArray::FromElements(type, values));
}

Variant I4Array(const std::vector<std::int32_t>& values)
{
    std::vector<Variant> elements;
    for (std::int32_t v : values)
        elements.push_back(Variant::I4(v));
    return Array(VT_I4, elements);
}

// The elements of an array result of `type`, as 32-bit integers.
std::vector<std::int32_t> Values(const Variant& result, VarType type)
{
    std::vector<std::int32_t> values;
    if (!result.IsArray() || result.array().elementType() != type) {
        ADD_FAILURE() << "not an array of the expected type: " << result;
        return values;
    }
    for (const Variant& element : result.array().elements())
        values.push_back(type == VT_I2 ? element.i2() : element.i4());
    return values;
}

// The board against the simulated target, on a fake clock that moves a
// millisecond with every reading. The target answers each handshake step a
// few milliseconds late.
class FourWire21xxTest : public ::testing::Test {
protected:
    FourWire21xxTest()
    {
        target.SetAnswerDelayMs(3);
        auto owned = std::make_unique<FourWireTargetPort>(target);
        port = owned.get();
        board = std::make_unique<FourWire21xx>(FourWireLink(LPTDigitalInstrument(std::move(owned)), clock));
    }

    void ExpectFailure(const Variant& result, const std::string& text)
    {
        EXPECT_EQ(result.vt(), VT_NULL) << result;
        EXPECT_EQ(board->GetErrorCode(), 0);
        EXPECT_EQ(board->GetErrorString(), text);
    }

    void ExpectNoTraffic()
    {
        EXPECT_EQ(port->reads(), 0u);
        EXPECT_EQ(port->writes(), 2u);  // the two outputs set low at construction
    }

    FakeClock clock{1};
    FourWireTarget target{clock};
    FourWireTargetPort* port = nullptr;
    std::unique_ptr<FourWire21xx> board;
};

FourWireLink::FlashBlock Pattern()
{
    FourWireLink::FlashBlock block{};
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 3 + 1);
    return block;
}

}  // namespace

TEST_F(FourWire21xxTest, MembersAnswerToTheirDispatchIdentifiers)
{
    const std::vector<std::pair<std::string, std::int32_t>> expected = {
        {"PowerOn", 0x1},
        {"GetVer", 0x2},
        {"ReadDM", 0x10001},
        {"LoadProg", 0x10003},
        {"ProgFlash", 0x10006},
        {"VerifyFlash", 0x10007},
        {"WriteIO", 0x10009},
        {"ReadFlash", 0x20004},
        {"WriteFlash", 0x20005},
        {"ErrorMethod", 0x30001},
        {"errorstring", 0x30003},
    };
    for (const auto& [name, id] : expected) {
        std::int32_t found = 0;
        ASSERT_EQ(board->GetIDsOfNames(name, found), S_OK) << name;
        EXPECT_EQ(found, id) << name;
    }
}

TEST_F(FourWire21xxTest, HoldsTheProgramLockWhileItLives)
{
    const std::int32_t before = ApplicationLock::Process().count();
    board.reset();
    EXPECT_EQ(ApplicationLock::Process().count(), before - 1);
}

TEST_F(FourWire21xxTest, GetVerReturnsTheVersion)
{
    const InvokeResult call = board->Invoke(0x2, InvokeKind::Method, {});
    ASSERT_EQ(call.hr, S_OK);
    EXPECT_EQ(call.result, Variant::I4(258));
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{{0x01}}));
}

TEST_F(FourWire21xxTest, AVersionWithTheTopBitSetIsSignExtended)
{
    target.SetVersion(0xFFFE);
    EXPECT_EQ(board->GetVer(), Variant::I4(-2));
}

TEST_F(FourWire21xxTest, AWrongStatusFailsAfterFiveAttemptsAndFourPauses)
{
    target.InjectFault({FourWireFaultKind::WrongStatus, 0});
    ExpectFailure(board->GetVer(), "Timeout Error");
    EXPECT_EQ(target.requests().size(), 5u);
    EXPECT_EQ(clock.SleepCount(), 4);
    EXPECT_EQ(clock.TotalSleptMs(), 4000u);
}

TEST_F(FourWire21xxTest, FailuresFollowTheErrorMethod)
{
    target.InjectFault({FourWireFaultKind::WrongStatus, 0});
    board->SetErrorMethod(1);
    EXPECT_EQ(board->GetVer(), Variant::Error(5));

    ASSERT_EQ(board->Invoke(0x30001, InvokeKind::PropertyPut, {Variant::I4(2)}).hr, S_OK);
    const InvokeResult call = board->Invoke(0x2, InvokeKind::Method, {});
    EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.excep.code, 0);
    EXPECT_EQ(call.excep.description, "Timeout Error");

    const InvokeResult refused = board->Invoke(0x20004, InvokeKind::Method, {Variant::I4(0), Variant::I4(300)});
    EXPECT_EQ(refused.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(refused.excep.description, "More than 256 bytes for a flash block");
}

TEST_F(FourWire21xxTest, PowerOnHandshakesAndReturnsTheVersion)
{
    target.SetHoldDrop({FourWireTarget::Line::Data, 20});
    EXPECT_EQ(board->PowerOn(), Variant::I4(258));
    EXPECT_EQ(target.startUps(), 1);
}

TEST_F(FourWire21xxTest, PowerOnFailsAfterThirtySecondsWhenTheTargetNeverComesUp)
{
    target.InjectFault({FourWireFaultKind::NeverPowerUp, 0});
    const std::uint64_t start = clock.NowMs();
    ExpectFailure(board->PowerOn(), "Timeout Error");
    EXPECT_GT(clock.NowMs() - start, 30000u);
    EXPECT_LT(clock.NowMs() - start, 30100u);
}

TEST_F(FourWire21xxTest, PowerOnFailsAtOnceWhenTheTargetLowersItsClockFirst)
{
    target.InjectFault({FourWireFaultKind::DropInput1Early, 0});
    const std::uint64_t start = clock.NowMs();
    ExpectFailure(board->PowerOn(), "Timeout Error");
    EXPECT_LT(clock.NowMs() - start, 1100u);
    EXPECT_TRUE(target.requests().empty());
}

TEST_F(FourWire21xxTest, ReadDMReturnsSixteenBitWordsAsI2)
{
    target.SetDataWord(0x20, 0x1234);
    target.SetDataWord(0x21, 0x8001);
    target.SetDataWord(0x22, 0x0007);
    const InvokeResult call = board->Invoke(0x10001, InvokeKind::Method,
                                            {Variant::I4(0x20), Variant::I4(3), Variant::I4(0), Variant::I4(0)});
    ASSERT_EQ(call.hr, S_OK);
    EXPECT_EQ(Values(call.result, VT_I2), (std::vector<std::int32_t>{0x1234, -32767, 7}));
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{{0x06, 0x00, 0x20, 0x00, 0x03}}));
}

TEST_F(FourWire21xxTest, ACheckSumOffByOneRepeatsTheRead)
{
    target.InjectFault({FourWireFaultKind::BadCheckSum, 1});
    target.SetDataWord(0x20, 5);
    EXPECT_EQ(Values(board->ReadDM(0x20, 3, 0, 0), VT_I2), (std::vector<std::int32_t>{5, 0, 0}));
    EXPECT_EQ(target.requests(), (std::vector<Bytes>(2, Bytes{0x06, 0x00, 0x20, 0x00, 0x03})));
}

TEST_F(FourWire21xxTest, ReadPMSendsTwiceTheCountAndReturns24BitWords)
{
    target.SetProgramWord(0, 0xABCDEF);
    target.SetProgramWord(1, 0x123456);
    EXPECT_EQ(Values(board->ReadPM(0, 2, 0, 0), VT_I4), (std::vector<std::int32_t>{0xABCDEF, 0x123456}));
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{{0x07, 0x00, 0x00, 0x00, 0x04}}));
}

TEST_F(FourWire21xxTest, WritePMOfTwoWordsSendsCountTwoAndSixBytes)
{
    Variant data = I4Array({0x00ABCD, 0xFF0102});
    EXPECT_EQ(board->WritePM(0x10, data, 0, 0), Variant::I4(0));
    EXPECT_EQ(target.requests(),
              (std::vector<Bytes>{{0x04, 0x00, 0x10, 0x00, 0x02, 0x00, 0xAB, 0xCD, 0xFF, 0x01, 0x02}}));
    EXPECT_EQ(target.ProgramWord(0x11), 0xFF0102u);
}

TEST_F(FourWire21xxTest, WriteDMConvertsEveryElementToSixteenBits)
{
    Variant data = Array(VT_R8, {Variant::R8(2.9), Variant::R8(-1.5), Variant::R8(70000.0)});
    EXPECT_EQ(board->WriteDM(0x100, data, 0, 0), Variant::I4(0));
    EXPECT_EQ(target.requests(),
              (std::vector<Bytes>{{0x03, 0x01, 0x00, 0x00, 0x03, 0x00, 0x02, 0xFF, 0xFF, 0x11, 0x70}}));
    Variant scalar = Variant::I4(0x42);
    EXPECT_EQ(board->WriteDM(0x200, scalar, 0, 0), Variant::I4(0));
    EXPECT_EQ(target.DataWord(0x200), 0x42);
}

TEST_F(FourWire21xxTest, IoGoesThroughTheDataMemoryCommands)
{
    target.SetDataWord(5, 0x0ABC);
    EXPECT_EQ(Values(board->ReadIO(5, 1), VT_I2), (std::vector<std::int32_t>{0x0ABC}));
    Variant data = Variant::I2(9);
    EXPECT_EQ(board->WriteIO(6, data), Variant::I4(0));
    EXPECT_EQ(target.requests(),
              (std::vector<Bytes>{{0x06, 0x00, 0x05, 0x00, 0x01}, {0x03, 0x00, 0x06, 0x00, 0x01, 0x00, 0x09}}));
}

TEST_F(FourWire21xxTest, RequestsThatDoNotFitSixteenBitsAreRefusedBeforeAnyTraffic)
{
    ExpectFailure(board->ReadDM(0xFFFF, 2, 0, 0), "Address or count does not fit the link");
    ExpectFailure(board->ReadDM(0x10000, 1, 0, 0), "Address or count does not fit the link");
    ExpectFailure(board->ReadDM(-1, 1, 0, 0), "Address or count does not fit the link");
    ExpectFailure(board->ReadDM(0, 0, 0, 0), "Address or count does not fit the link");
    ExpectFailure(board->ReadPM(0, 0x8000, 0, 0), "Address or count does not fit the link");
    ExpectFailure(board->ReadIO(0, 0x10000), "Address or count does not fit the link");
    Variant data = I4Array({1, 2});
    ExpectFailure(board->WritePM(0xFFFF, data, 0, 0), "Address or count does not fit the link");
    ExpectFailure(board->WriteDM(0x10000, data, 0, 0), "Address or count does not fit the link");
    ExpectNoTraffic();
}

TEST_F(FourWire21xxTest, TheLastWordOfTheSpaceCanBeRead)
{
    target.SetDataWord(0xFFFF, 0x7FFF);
    EXPECT_EQ(Values(board->ReadDM(0xFFFF, 1, 0, 0), VT_I2), (std::vector<std::int32_t>{0x7FFF}));
}

TEST_F(FourWire21xxTest, DataThatCannotBeConvertedOrANegativeCountCannotBeAccessed)
{
    Variant text = Variant::Bstr("words");
    ExpectFailure(board->WriteDM(0, text, 0, 0), "Can't access data");
    ExpectFailure(board->ReadDM(0, -1, 0, 0), "Can't access data");
    ExpectFailure(board->ReadFlash(0, -1), "Can't access Data");
    ExpectFailure(board->WriteFlash(0, text), "Can't access data");
    ExpectNoTraffic();
}

TEST_F(FourWire21xxTest, ATargetThatDoesNotAnswerGivesNoResponseFromDevice)
{
    target.InjectFault({FourWireFaultKind::NeverPowerUp, 0});
    ExpectFailure(board->ReadDM(0, 1, 0, 0), "No Response from Device");
    EXPECT_EQ(clock.SleepCount(), 4);
    ExpectFailure(board->ReadPM(0, 1, 0, 0), "No Response from Device");
    EXPECT_EQ(clock.SleepCount(), 4);  // program reads make one attempt
    Variant data = I4Array({1});
    ExpectFailure(board->WritePM(0, data, 0, 0), "No Response from Device");
    ExpectFailure(board->WriteFlash(0, data), "No Response from Device");
    ExpectFailure(board->ReadFlash(0, 256), "No Response from Device");
}

TEST_F(FourWire21xxTest, WriteFlashSendsTheThreeAddressBytesAndTheWholeBlock)
{
    const FourWireLink::FlashBlock block = Pattern();
    std::vector<std::int32_t> values(block.begin(), block.end());
    Variant data = I4Array(values);
    EXPECT_EQ(board->WriteFlash(0x12345, data), Variant::I4(0));
    Bytes expected{0x05, 0x01, 0x23, 0x45};
    expected.insert(expected.end(), block.begin(), block.end());
    EXPECT_EQ(target.requests(), std::vector<Bytes>{expected});
}

TEST_F(FourWire21xxTest, AShortFlashBlockIsPaddedWithTheErasedValue)
{
    target.SetFlashByte(0x1003, 0x00);
    Variant data = I4Array({0x11, 0x22, 0x33});
    EXPECT_EQ(board->WriteFlash(0x1000, data), Variant::I4(0));
    ASSERT_EQ(target.requests().size(), 1u);
    EXPECT_EQ(target.requests()[0].size(), 4u + 256u);
    EXPECT_EQ(target.FlashByte(0x1002), 0x33);
    EXPECT_EQ(target.FlashByte(0x1003), 0xFF);
    EXPECT_EQ(target.FlashByte(0x10FF), 0xFF);
}

TEST_F(FourWire21xxTest, MoreThan256FlashValuesAreRefusedBeforeAnyTraffic)
{
    Variant data = I4Array(std::vector<std::int32_t>(257, 0x5A));
    ExpectFailure(board->WriteFlash(0, data), "More than 256 bytes for a flash block");
    ExpectFailure(board->ReadFlash(0, 257), "More than 256 bytes for a flash block");
    ExpectFailure(board->ReadFlash(0x1000000, 256), "Address or count does not fit the link");
    ExpectNoTraffic();
}

TEST_F(FourWire21xxTest, ReadFlashReturnsTheFirstBytesOfTheBlockAsI4)
{
    const FourWireLink::FlashBlock block = Pattern();
    for (std::size_t i = 0; i < block.size(); ++i)
        target.SetFlashByte(0x300 + static_cast<std::uint32_t>(i), block[i]);
    EXPECT_EQ(Values(board->ReadFlash(0x300, 4), VT_I4), (std::vector<std::int32_t>{1, 4, 7, 10}));
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{{0x08, 0x00, 0x03, 0x00}}));
    const std::vector<std::int32_t> whole = Values(board->ReadFlash(0x300, 256), VT_I4);
    EXPECT_EQ(whole, std::vector<std::int32_t>(block.begin(), block.end()));
}

TEST_F(FourWire21xxTest, ProgFlashAndVerifyFlashAgainstTheTargetsFlash)
{
    TempFolder folder;
    const std::vector<std::uint8_t> bytes = PatternBytes(300, 7);
    const std::string file = MakeSRecordFile(folder, "image.bnm", {{0x10, bytes}});
    EXPECT_EQ(board->ProgFlash(file), Variant::I4(0));
    EXPECT_EQ(target.FlashByte(0x0F), 0xFF);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(target.FlashByte(0x10 + static_cast<std::uint32_t>(i)), bytes[i]) << i;
    EXPECT_EQ(target.requests().size(), 2u);  // pages 0 and 1

    EXPECT_EQ(board->VerifyFlash(file), Variant::I4(0));
    target.SetFlashByte(0x105, static_cast<std::uint8_t>(~bytes[0x105 - 0x10]));
    const Variant mismatch = board->VerifyFlash(file);
    EXPECT_EQ(mismatch.vt(), VT_NULL);
    EXPECT_EQ(board->GetErrorCode(), 0x105);
    EXPECT_EQ(board->GetErrorString(), "Verify Error at Addr");
}

TEST_F(FourWire21xxTest, LoadProgWritesDataSectionsToDataMemoryAndWordZeroToProgramMemory)
{
    TempFolder folder;
    const std::string file = folder.Write("prog.exe",
                                          "\x1B\x1Bi\n@PA\n0000\n123456\nABCDEF\n000001\n#\n"
                                          "@DA\n0010\n1111\n2222\n#\n\x1B\x1Bo\n");
    EXPECT_EQ(board->LoadProg(file), Variant::I4(0));
    EXPECT_EQ(target.ProgramWord(0), 0x123456u);
    EXPECT_EQ(target.ProgramWord(1), 0xABCDEFu);
    EXPECT_EQ(target.ProgramWord(2), 0x000001u);
    EXPECT_EQ(target.DataWord(0x10), 0x1111);
    EXPECT_EQ(target.DataWord(0x11), 0x2222);
    EXPECT_EQ(target.ProgramWord(0x4010), 0u);
    EXPECT_EQ(board->HeldStartWord(), 0);
    ASSERT_EQ(target.requests().size(), 2u);
    EXPECT_EQ(target.requests()[0][0], 0x04);
    EXPECT_EQ(target.requests()[1], (Bytes{0x03, 0x00, 0x10, 0x00, 0x02, 0x11, 0x11, 0x22, 0x22}));
}

TEST_F(FourWire21xxTest, LoadProgTakesTheMemoryFromTheSectionKindNotFromTheAddress)
{
    TempFolder folder;
    const std::string file = folder.Write("high.exe",
                                          "\x1B\x1Bi\n@PA\n4010\nABCDEF\n123456\n#\n"
                                          "@DA\n4020\n7777\n#\n\x1B\x1Bo\n");
    EXPECT_EQ(board->LoadProg(file), Variant::I4(0));
    EXPECT_EQ(target.ProgramWord(0x4010), 0xABCDEFu);
    EXPECT_EQ(target.ProgramWord(0x4011), 0x123456u);
    EXPECT_EQ(target.DataWord(0x4020), 0x7777);
    EXPECT_EQ(target.DataWord(0x10), 0);  // no low halves of the program words in data memory
    EXPECT_EQ(target.DataWord(0x11), 0);
    EXPECT_EQ(target.ProgramWord(0x4020), 0u);
    ASSERT_EQ(target.requests().size(), 2u);
    EXPECT_EQ(target.requests()[0], (Bytes{0x04, 0x40, 0x10, 0x00, 0x02, 0xAB, 0xCD, 0xEF, 0x12, 0x34, 0x56}));
    EXPECT_EQ(target.requests()[1], (Bytes{0x03, 0x40, 0x20, 0x00, 0x01, 0x77, 0x77}));
}

TEST_F(FourWire21xxTest, LoadProgThroughDispatchReportsFileFaults)
{
    TempFolder folder;
    const std::string file = folder.Write("plain.exe", "plain text\n");
    const InvokeResult call = board->Invoke(0x10003, InvokeKind::Method, {Variant::Bstr(file)});
    ASSERT_EQ(call.hr, S_OK);
    EXPECT_EQ(call.result.vt(), VT_NULL);
    EXPECT_EQ(board->GetErrorString(), "File format not correct");
    ExpectNoTraffic();
}

TEST_F(FourWire21xxTest, LoadProgStopsAtTheFirstBlockTheTargetDoesNotTake)
{
    TempFolder folder;
    const std::string file = folder.Write("prog.exe", "\x1B\x1Bi\n@DA\n0000\n1\n#\n@PA\n0000\n2\n#\n\x1B\x1Bo\n");
    target.InjectFault({FourWireFaultKind::NeverPowerUp, 0});
    ExpectFailure(board->LoadProg(file), "No Response from Device");
    EXPECT_EQ(clock.SleepCount(), 4);  // the data section's attempts, and nothing after
}

namespace {

// A board whose port LPT1 is linked to a device that is not there.
class FourWire21xxNoPortTest : public ::testing::Test {
protected:
    FourWire21xxNoPortTest() { Notifier::SetCurrent(&notifier); }
    ~FourWire21xxNoPortTest() override { Notifier::SetCurrent(nullptr); }

    ScopedConfigHome home;
    RecordingNotifier notifier;
    // A millisecond a reading, so that a link that kept polling the missing
    // port would still end, with thousands of messages.
    FakeClock clock{1};
};

}  // namespace

TEST_F(FourWire21xxNoPortTest, EveryCallEndsAtItsFirstAccessAndSaysSoOnce)
{
    ASSERT_TRUE(PortMap::Link("lpt1", home.path() + "/no-parport"));
    TempFolder folder;
    const std::string image = folder.Write("prog.exe", "\x1B\x1Bi\n@PA\n0010\n123456\n#\n\x1B\x1Bo\n");
    const std::string flashImage = MakeSRecordFile(folder, "page.bnm", {{0x100, PatternBytes(16, 1)}});

    FourWire21xx board{FourWireLink(LPTDigitalInstrument(), clock)};
    const std::string reason = board.Link().port().AccessError();
    EXPECT_NE(reason.find("no such device"), std::string::npos) << reason;

    using Call = std::function<Variant(FourWire21xx&)>;
    const std::pair<const char*, Call> calls[] = {
        {"GetVer", [](FourWire21xx& b) { return b.GetVer(); }},
        {"PowerOn", [](FourWire21xx& b) { return b.PowerOn(); }},
        {"ReadDM", [](FourWire21xx& b) { return b.ReadDM(0x20, 3, 0, 0); }},
        {"WriteDM", [](FourWire21xx& b) { Variant d = Variant::I4(5); return b.WriteDM(0x20, d, 0, 0); }},
        {"ReadPM", [](FourWire21xx& b) { return b.ReadPM(0x20, 3, 0, 0); }},
        {"WritePM", [](FourWire21xx& b) { Variant d = Variant::I4(5); return b.WritePM(0x20, d, 0, 0); }},
        {"ReadFlash", [](FourWire21xx& b) { return b.ReadFlash(0x100, 256); }},
        {"WriteFlash", [](FourWire21xx& b) { Variant d = Variant::I4(5); return b.WriteFlash(0x100, d); }},
        {"LoadProg", [&](FourWire21xx& b) { return b.LoadProg(image); }},
        {"ProgFlash", [&](FourWire21xx& b) { return b.ProgFlash(flashImage); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        notifier.Clear();
        const Variant result = call(board);
        EXPECT_EQ(result.vt(), VT_NULL) << result;
        EXPECT_EQ(board.GetErrorString(), reason);
        ASSERT_EQ(notifier.messages().size(), 1u);
        EXPECT_EQ(notifier.messages()[0].text, LPTDigitalInstrument::kAccessDeniedText);
    }
    EXPECT_EQ(clock.SleepCount(), 0);  // no pauses for attempts that cannot succeed

    // A port that stops answering mid-way is announced once and named in the error.
    auto failing = std::make_unique<FakeParallelPort>();
    failing->SetStatus(0x40);  // an idle target
    FakeParallelPort* port = failing.get();
    FourWire21xx lost{FourWireLink(LPTDigitalInstrument(std::move(failing)), clock)};
    port->SetFailing(true);
    notifier.Clear();
    EXPECT_EQ(lost.GetVer().vt(), VT_NULL);
    EXPECT_EQ(lost.GetErrorString(), "The parallel port LPT1 stopped answering");
    EXPECT_EQ(notifier.messages().size(), 1u);
    EXPECT_EQ(clock.SleepCount(), 0);
}

TEST(FourWire21xxEndToEndTest, AnObjectMadeByItsFactoryReachesTheSimulatorLinkedAsLpt1)
{
    ScopedConfigHome home;
    FourWireTarget target(Clock::Steady(), 0x0305);
    target.SetAnswerDelayMs(1);
    target.SetHoldDrop({FourWireTarget::Line::Clock, 20});
    FourWireSocketServer server(target);
    std::string error;
    ASSERT_TRUE(server.Listen(home.path() + "/target.sock", error)) << error;
    ASSERT_TRUE(PortMap::Link("lpt1", server.path()));
    int stop[2];
    ASSERT_EQ(pipe(stop), 0);
    std::thread serving([&] { server.Serve(stop[0]); });

    {
        const ClassFactory factory(FourWire21xx::kProgId, FourWire21xx::kClassId,
                                   [] { return std::make_shared<FourWire21xx>(); });
        std::shared_ptr<Dispatchable> object;
        ASSERT_EQ(factory.CreateInstance(object), S_OK);
        std::int32_t id = 0;
        ASSERT_EQ(object->GetIDsOfNames("PowerOn", id), S_OK);
        EXPECT_EQ(object->Invoke(id, InvokeKind::Method, {}).result, Variant::I4(0x0305));
        ASSERT_EQ(object->GetIDsOfNames("WriteDM", id), S_OK);
        EXPECT_EQ(object->Invoke(id, InvokeKind::Method,
                                 {Variant::I4(0x40), I4Array({-2, 3}), Variant::I4(0), Variant::I4(0)})
                      .result,
                  Variant::I4(0));
        ASSERT_EQ(object->GetIDsOfNames("ReadDM", id), S_OK);
        const InvokeResult read = object->Invoke(
            id, InvokeKind::Method, {Variant::I4(0x40), Variant::I4(2), Variant::I4(0), Variant::I4(0)});
        EXPECT_EQ(Values(read.result, VT_I2), (std::vector<std::int32_t>{-2, 3}));
    }
    EXPECT_EQ(target.startUps(), 1);
    EXPECT_EQ(target.DataWord(0x40), 0xFFFE);

    ASSERT_EQ(write(stop[1], "x", 1), 1);
    serving.join();
    close(stop[0]);
    close(stop[1]);
}
