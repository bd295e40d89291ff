#include "monitor/boards/Ez2181.h"
#include "monitor/boards/tests/FirstCall.h"
#include "monitor/boards/tests/SimulatedDeviceLine.h"
#include "monitor/core/tests/SRecordFiles.h"

#include "automation/core/ApplicationLock.h"
#include "automation/core/DispatchException.h"
#include "platform/PortMap.h"
#include "platform/tests/FakeClock.h"
#include "platform/tests/FakeCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/ez2181/Ez2181Simulator.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <ostream>

namespace {

using Bytes = std::vector<std::uint8_t>;

SafeArray I4Array(const std::vector<std::int32_t>& values)
{
    SafeArray array = SafeArray::Vector(VT_I4, values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        array.set(i, Variant::I4(values[i]));
    return array;
}

std::vector<std::int32_t> I4Values(const Variant& result)
{
    std::vector<std::int32_t> values;
    if (!result.IsArray() || result.array().elementType() != VT_I4) {
        ADD_FAILURE() << "not an array of VT_I4: " << result;
        return values;
    }
    for (const Variant& element : result.array().elements())
        values.push_back(element.i4());
    return values;
}

class Ez2181Test : public ::testing::Test {
protected:
    Ez2181Test()
    {
        auto device = std::make_unique<SimulatedDeviceLine>(board, &clock);
        line = device.get();
        ez = std::make_unique<Ez2181>(std::move(device), clock);
    }

    void ExpectFailure(const Variant& result, std::int32_t code, const std::string& text)
    {
        EXPECT_EQ(result.vt(), VT_NULL) << result;
        EXPECT_EQ(ez->GetErrorCode(), code);
        EXPECT_EQ(ez->GetErrorString(), text);
    }

    ScopedConfigHome home{"com1"};
    Ez2181Simulator board;
    FakeClock clock;
    SimulatedDeviceLine* line = nullptr;
    std::unique_ptr<Ez2181> ez;
};

TEST_F(Ez2181Test, OpensComOneThroughThePortMapAt38400BaudAtItsFirstCall)
{
    EXPECT_EQ(line->openedPath(), "");
    EXPECT_FALSE(ez->Link().IsOpen());
    EXPECT_EQ(ez->Link().GetEndianMode(), 1);

    EXPECT_EQ(ez->Reset(0), Variant::I4(0)) << ez->GetErrorString();
    EXPECT_EQ(line->openedPath(), PortMap::DevicePath("COM1"));
    EXPECT_TRUE(ez->Link().IsOpen());
    EXPECT_EQ(line->settings().baudRate, 38400u);
    EXPECT_EQ(line->settings().dataBits, 8);
}

TEST_F(Ez2181Test, HoldsTheProgramLockWhileItLives)
{
    const std::int32_t before = ApplicationLock::Process().count();
    {
        Ez2181 other(std::make_unique<FakeCommDevice>(), clock);
        EXPECT_EQ(ApplicationLock::Process().count(), before + 1);
    }
    EXPECT_EQ(ApplicationLock::Process().count(), before);
}

TEST_F(Ez2181Test, DispatchIdentifiersFollowTheMapOrder)
{
    const struct {
        const char* name;
        std::int32_t id;
    } members[] = {
        {"Reset", 1},
        {"Run", 2},
        {"SetBaud", 3},
        {"PowerOn", 4},
        {"Port", 5},
        {"ReadDM", 0x10001},
        {"WriteDM", 0x10002},
        {"LoadProg", 0x10003},
        {"ReadPM", 0x10004},
        {"WritePM", 0x10005},
        {"ProgFlash", 0x10006},
        {"VerifyFlash", 0x10007},
        {"ReadIO", 0x10008},
        {"WriteIO", 0x10009},
        {"ReadSym", 0x20001},
        {"WriteFlash", 0x20005},
        {"ErrorMethod", 0x30001},
        {"errorstring", 0x30003},
    };
    for (const auto& member : members) {
        std::int32_t id = -1;
        ASSERT_EQ(ez->GetIDsOfNames(member.name, id), S_OK) << member.name;
        EXPECT_EQ(id, member.id) << member.name;
    }
    EXPECT_EQ(Ez2181::Map().members().size(), 5u);
}

TEST_F(Ez2181Test, ResetSendsItsFrameAndReturnsZero)
{
    EXPECT_EQ(ez->Reset(12345), Variant::I4(0));
    EXPECT_EQ(line->written(), (Bytes{0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF5}));
    EXPECT_EQ(board.ResetCount(), 1u);
}

TEST_F(Ez2181Test, ReadDMSendsTheDataMemoryAddressWithItsOffset)
{
    board.SetDataWord(16, 0x0102);
    board.SetDataWord(19, 0xFFFF);
    const Variant result = ez->ReadDM(16, 4, 0, 0);
    EXPECT_EQ(line->written(), (Bytes{0xFA, 0xFF, 0x08, 0x02, 0x00, 0x00, 0x40, 0x10, 0x04, 0xAA, 0xFB}));
    EXPECT_EQ(I4Values(result), (std::vector<std::int32_t>{0x0102, 0, 0, 0xFFFF}));
}

TEST_F(Ez2181Test, ReadPMOfHundredWordsGoesInThreeFrames)
{
    for (int i = 0; i < 100; ++i)
        board.SetProgramWord(0x200 + i, 0x010000u * i + 7);
    const std::vector<std::int32_t> values = I4Values(ez->ReadPM(0x200, 100, 0, 0));
    ASSERT_EQ(values.size(), 100u);
    EXPECT_EQ(values[99], 0x010000 * 99 + 7);
    const std::vector<Ez2181Frame> frames = board.ReceivedFrames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].payload, (Bytes{0, 0, 0x02, 0x00, 40}));
    EXPECT_EQ(frames[1].payload, (Bytes{0, 0, 0x02, 0x28, 40}));
    EXPECT_EQ(frames[2].payload, (Bytes{0, 0, 0x02, 0x50, 20}));
}

TEST_F(Ez2181Test, IoMemoryUsesItsOwnCommandsAndNoOffset)
{
    board.SetIoWord(5, 0x0ABC);
    EXPECT_EQ(I4Values(ez->ReadIO(5, 1)), (std::vector<std::int32_t>{0x0ABC}));
    Variant data = Variant::I4(0x0123);
    EXPECT_EQ(ez->WriteIO(6, data), Variant::I4(0));
    EXPECT_EQ(board.IoWord(6), 0x0123);
    const std::vector<Ez2181Frame> frames = board.ReceivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], (Ez2181Frame{0xFF, 0x0B, {0, 0, 0, 5, 1}}));
    EXPECT_EQ(frames[1], (Ez2181Frame{0xFF, 0x0C, {0, 0, 0, 6, 1, 0, 0, 0x01, 0x23}}));
}

TEST_F(Ez2181Test, WritesConvertScalarsAndArraysOfAnyNumericType)
{
    Variant scalar = Variant::R8(-2.75);  // standard conversion rounds: -3
    EXPECT_EQ(ez->WriteDM(0x20, scalar, 0, 0), Variant::I4(0));
    EXPECT_EQ(board.DataWord(0x20), 0xFFFD);
    SafeArray reals = SafeArray::Vector(VT_R8, 2);
    reals.set(0, Variant::R8(1.9));
    reals.set(1, Variant::R8(300.2));
    Variant array = Variant::Array(reals);
    EXPECT_EQ(ez->WritePM(0x30, array, 0, 0), Variant::I4(0));
    EXPECT_EQ(board.ProgramWord(0x30), 1u);
    EXPECT_EQ(board.ProgramWord(0x31), 300u);
}

TEST_F(Ez2181Test, RunSendsTheOperandOrTheHeldStartWord)
{
    EXPECT_EQ(ez->Run(0), Variant::I4(0));
    EXPECT_EQ(line->written(), (Bytes{0xFA, 0xFF, 0x07, 0x03, 0x00, 0x00, 0x00, 0x00, 0xE9, 0x11}));
    EXPECT_EQ(ez->Run(-1), Variant::I4(0));
    EXPECT_EQ(board.LastRunOperand(), 0xFFFFFFFFu);
    EXPECT_EQ(ez->Run(1), Variant::I4(0));
    EXPECT_EQ(board.LastRunOperand(), 1u);

    TempFolder folder;
    const std::string image = folder.Write("start.exe", "\x1b\x1bi\n@PA\n0000\n0A1B2C\n000123\n#\n\x1b\x1bo\n");
    ASSERT_EQ(ez->LoadProg(image), Variant::I4(0));
    EXPECT_EQ(board.ProgramWord(0), 0u);  // held back, not written
    EXPECT_EQ(board.ProgramWord(1), 0x123u);
    EXPECT_EQ(ez->Run(5), Variant::I4(0));
    EXPECT_EQ(board.LastRunOperand(), 0x0A1B2Cu);
    EXPECT_EQ(ez->Run(2), Variant::I4(0));
    EXPECT_EQ(board.LastRunOperand(), 0x0A1B2Cu);
}

TEST_F(Ez2181Test, SetBaudSendsNothingAndChangesTheLineRate)
{
    EXPECT_EQ(ez->Reset(0), Variant::I4(0));  // the line is open
    const std::size_t sent = line->written().size();
    EXPECT_EQ(ez->SetBaud(115200), Variant::I4(0));
    EXPECT_EQ(line->settings().baudRate, 115200u);
    EXPECT_EQ(line->written().size(), sent);
}

TEST_F(Ez2181Test, FlashBlocksRoundTrip)
{
    SafeArray bytes = SafeArray::Vector(VT_UI1, 256);
    for (std::size_t i = 0; i < 256; ++i)
        bytes.set(i, Variant::UI1(static_cast<std::uint8_t>(255 - i)));
    Variant data = Variant::Array(bytes);
    EXPECT_EQ(ez->WriteFlash(0x300, data), Variant::I4(0));
    const std::vector<Ez2181Frame> frames = board.ReceivedFrames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].payload.size(), 5u + 185);
    EXPECT_EQ(frames[1].payload.size(), 5u + 71);
    EXPECT_EQ(frames[2], (Ez2181Frame{0xFF, 0x0A, {0, 0, 0x03, 0x00}}));

    const std::vector<std::int32_t> read = I4Values(ez->ReadFlash(0x300, 256));
    ASSERT_EQ(read.size(), 256u);
    for (std::size_t i = 0; i < 256; ++i)
        EXPECT_EQ(read[i], static_cast<std::int32_t>(255 - i)) << i;
}

TEST_F(Ez2181Test, EmptyFlashBlockSendsNothingAndReturnsZero)
{
    Variant loaded = Variant::Array(SafeArray::Vector(VT_UI1, 8));
    ASSERT_EQ(ez->WriteFlash(0, loaded), Variant::I4(0));
    line->ClearWritten();
    Variant empty = Variant::Array(SafeArray::Vector(VT_UI1, 0));
    EXPECT_EQ(ez->WriteFlash(0x100, empty), Variant::I4(0));
    EXPECT_TRUE(line->written().empty());
    EXPECT_EQ(board.FlashByte(0x100), 0xFF);
}

TEST_F(Ez2181Test, ZeroCountsReturnEmptyArraysWithoutTraffic)
{
    EXPECT_TRUE(I4Values(ez->ReadDM(0, 0, 0, 0)).empty());
    EXPECT_TRUE(I4Values(ez->ReadFlash(0, 0)).empty());
    EXPECT_TRUE(line->written().empty());
}

TEST_F(Ez2181Test, DataThatCannotBeAccessed)
{
    ExpectFailure(ez->ReadDM(0, -1, 0, 0), 0, "Can't access data");
    ExpectFailure(ez->ReadFlash(0, -1), 0, "Can't access Data");
    Variant text = Variant::Bstr("not a number");
    ExpectFailure(ez->WritePM(0, text, 0, 0), 0, "Can't access data");
    ExpectFailure(ez->WriteFlash(0, text), 0, "Can't access data");
    Variant matrix = Variant::Array(*SafeArray::Create(VT_I4, {{2, 0}, {2, 0}}));
    ExpectFailure(ez->WriteIO(0, matrix), 0, "Can't access data");
    EXPECT_TRUE(line->written().empty());
}

// One failure row: the call, the fault the board injects, the code and text recorded.
struct FailureRow {
    const char* name;
    std::function<Variant(Ez2181&)> call;
    Ez2181Fault fault;
    std::int32_t code;
    const char* text;
};

void PrintTo(const FailureRow& row, std::ostream* out)
{
    *out << row.name;
}

Variant CallReadDM(Ez2181& ez) { return ez.ReadDM(16, 4, 0, 0); }
Variant CallWriteDM(Ez2181& ez)
{
    Variant data = Variant::Array(I4Array({1, 2, 3}));
    return ez.WriteDM(16, data, 0, 0);
}
Variant CallRun(Ez2181& ez) { return ez.Run(0); }
Variant CallReset(Ez2181& ez) { return ez.Reset(0); }
Variant CallReadFlash(Ez2181& ez) { return ez.ReadFlash(0x100, 256); }
Variant CallWriteFlash(Ez2181& ez)
{
    Variant data = Variant::Array(SafeArray::Vector(VT_UI1, 256));
    return ez.WriteFlash(0x100, data);
}

const Ez2181Fault kSync{Ez2181FaultKind::WrongSync};
const Ez2181Fault kShortLength{Ez2181FaultKind::WrongLength, 1, 2};
const Ez2181Fault kLongLength{Ez2181FaultKind::WrongLength};
const Ez2181Fault kStatus{Ez2181FaultKind::WrongStatus};
const Ez2181Fault kCheck{Ez2181FaultKind::WrongCheckByte};
const Ez2181Fault kDrop{Ez2181FaultKind::DroppedByte};
const Ez2181Fault kSilence{Ez2181FaultKind::Silence};

const FailureRow kFailureRows[] = {
    {"ReadDM sync", CallReadDM, kSync, 1, "Error"},
    {"ReadDM length below 3", CallReadDM, kShortLength, 2, "Error"},
    {"ReadDM status", CallReadDM, kStatus, 3, "Error"},
    {"ReadDM payload length", CallReadDM, kLongLength, 4, "Error"},
    {"ReadDM twelve bytes", CallReadDM, {Ez2181FaultKind::WrongLength, 1, 15}, 4, "Error"},
    {"ReadDM check byte", CallReadDM, kCheck, 0, "Invalid Checksum"},
    {"ReadDM dropped byte", CallReadDM, kDrop, 0, "SerialPort Timeout Error"},
    {"WriteDM sync", CallWriteDM, kSync, 1, "Error"},
    {"WriteDM length below 3", CallWriteDM, kShortLength, 2, "Error"},
    {"WriteDM status", CallWriteDM, kStatus, 3, "Error"},
    {"WriteDM payload length", CallWriteDM, kLongLength, 4, "Error"},
    {"WriteDM check byte", CallWriteDM, kCheck, 1, "Error"},
    {"Run sync", CallRun, kSync, 1, "Error"},
    {"Run length below 3", CallRun, kShortLength, 2, "Error"},
    {"Run status", CallRun, kStatus, 3, "Error"},
    {"Run payload length", CallRun, kLongLength, 4, "Error"},
    {"Run check byte", CallRun, kCheck, 1, "Error"},
    {"Reset sync", CallReset, kSync, 1, "Error"},
    {"Reset address", CallReset, {Ez2181FaultKind::WrongAddress, 1, 0x01}, 2, "Error"},
    {"Reset length below 3", CallReset, kShortLength, 3, "Error"},
    {"Reset length 4", CallReset, kLongLength, 4, "Error"},
    {"Reset status", CallReset, kStatus, 4, "Error"},
    {"Reset check byte", CallReset, kCheck, 6, "Error"},
    {"Reset silence", CallReset, kSilence, 0, "SerialPort Timeout Error"},
    {"ReadFlashBlock sync", CallReadFlash, {Ez2181FaultKind::WrongSync, 2}, 0, "No Response from Device"},
    {"ReadFlashBlock status", CallReadFlash, kStatus, 0, "No Response from Device"},
    {"ReadFlashBlock length", CallReadFlash, {Ez2181FaultKind::WrongLength, 2}, 0, "No Response from Device"},
    {"ReadFlashBlock check byte", CallReadFlash, kCheck, 0, "No Response from Device"},
    {"ReadFlashBlock silence", CallReadFlash, {Ez2181FaultKind::Silence, 2}, 0, "SerialPort Timeout Error"},
    {"WriteFlashBlock load sync", CallWriteFlash, kSync, 0, "No Response from Device"},
    {"WriteFlashBlock load status", CallWriteFlash, {Ez2181FaultKind::WrongStatus, 2}, 0, "No Response from Device"},
    {"WriteFlashBlock program length", CallWriteFlash, {Ez2181FaultKind::WrongLength, 3}, 0, "No Response from Device"},
    {"WriteFlashBlock program check byte", CallWriteFlash, {Ez2181FaultKind::WrongCheckByte, 3}, 0, "No Response from Device"},
    {"WriteFlashBlock dropped byte", CallWriteFlash, {Ez2181FaultKind::DroppedByte, 2}, 0, "SerialPort Timeout Error"},
};

class Ez2181FailureTest : public Ez2181Test, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(Ez2181FailureTest, RecordsCodeAndTextAndTheNextCallWorks)
{
    const FailureRow& row = GetParam();
    board.InjectFault(row.fault);
    ExpectFailure(row.call(*ez), row.code, row.text);
    board.ClearFaults();
    const Variant again = row.call(*ez);
    EXPECT_FALSE(again.IsErrorResult()) << again;
    // The error properties keep the last failure after a success.
    EXPECT_EQ(ez->GetErrorString(), row.text);
}

std::string RowName(const ::testing::TestParamInfo<FailureRow>& row)
{
    std::string name;
    for (const char* c = row.param.name; *c != '\0'; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryRow, Ez2181FailureTest, ::testing::ValuesIn(kFailureRows), RowName);

TEST_F(Ez2181Test, ChunksBeforeTheFailingFrameStayDone)
{
    board.InjectFault({Ez2181FaultKind::Silence, 2});
    std::vector<std::int32_t> values(50);
    for (int i = 0; i < 50; ++i)
        values[i] = 1000 + i;
    Variant data = Variant::Array(I4Array(values));
    ExpectFailure(ez->WritePM(0x100, data, 0, 0), 0, "SerialPort Timeout Error");
    EXPECT_EQ(board.ProgramWord(0x100 + 39), 1039u);
    EXPECT_EQ(board.ProgramWord(0x100 + 40), 0u);
}

TEST_F(Ez2181Test, PowerOnAnswersThePowerOnFrame)
{
    line->AfterNextPurge([this] { board.PowerUp(); });
    EXPECT_EQ(ez->PowerOn(), Variant::I4(0));
    EXPECT_EQ(line->written(), (Bytes{0xFA, 0xFF, 0x03, 0xFE, 0x12, 0xF0}));
    EXPECT_TRUE(board.PowerOnAcknowledged());
    EXPECT_EQ(ez->Reset(0), Variant::I4(0));
}

TEST_F(Ez2181Test, PowerOnMissesAFrameAfterASecondSyncByte)
{
    line->AfterNextPurge([this] { board.SendRaw(Bytes{0xFA, 0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8}); });
    ExpectFailure(ez->PowerOn(), 0, "ERROR: Device Timeout");
    EXPECT_TRUE(line->written().empty());
}

TEST_F(Ez2181Test, PowerOnTimesOutAfterTenSeconds)
{
    ExpectFailure(ez->PowerOn(), 0, "ERROR: Device Timeout");
    EXPECT_GE(clock.NowMs(), 10000u);
}

TEST_F(Ez2181Test, PowerOnWithABrokenTrailerReportsTheTimeOutOfTheLine)
{
    // The frame's check bytes are read with the throwing read: a missing one ends the wait.
    line->AfterNextPurge([this] { board.SendRaw(Bytes{0xFA, 0x00, 0x03, 0x07, 0x02}); });
    ExpectFailure(ez->PowerOn(), 0, "SerialPort Timeout Error");
}

TEST_F(Ez2181Test, ErrorMethodOneGivesVtErrorWithCodePlusFive)
{
    ez->SetErrorMethod(1);
    board.InjectFault({Ez2181FaultKind::WrongAddress, 1, 0x01});
    EXPECT_EQ(ez->Reset(0), Variant::Error(7));
    board.InjectFault(kCheck);
    EXPECT_EQ(ez->ReadDM(0, 1, 0, 0), Variant::Error(5));
}

TEST_F(Ez2181Test, ErrorMethodTwoFailsTheCallWithTheTextThroughDispatch)
{
    ASSERT_EQ(ez->Invoke(0x30001, InvokeKind::PropertyPut, {Variant::I4(2)}).hr, S_OK);
    board.InjectFault(kStatus);
    const InvokeResult failed = ez->Invoke(0x10001, InvokeKind::Method,
                                           {Variant::I4(16), Variant::I4(4), Variant::I4(0), Variant::I4(0)});
    EXPECT_EQ(failed.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(failed.excep.code, 3);
    EXPECT_EQ(failed.excep.description, "Error");
    board.InjectFault(kSilence);
    const InvokeResult timedOut = ez->Invoke(1, InvokeKind::Method, {Variant::I4(0)});
    EXPECT_EQ(timedOut.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(timedOut.excep.description, "SerialPort Timeout Error");
    board.ClearFaults();
    const InvokeResult reset = ez->Invoke(1, InvokeKind::Method, {Variant::I4(0)});
    EXPECT_EQ(reset.hr, S_OK);
    EXPECT_EQ(reset.result, Variant::I4(0));
}

TEST(Ez2181MissingPort, CreationSucceedsAndTheFirstTransferFailsSayingWhyThePortDidNotOpen)
{
    ScopedConfigHome home;
    ASSERT_TRUE(PortMap::Link("com1", "/dev/no-such-board"));
    FakeClock clock(100);
    auto device = std::make_unique<FakeCommDevice>();
    device->FailOpen("No such file or directory");
    Ez2181 ez(std::move(device), clock);
    EXPECT_FALSE(ez.Link().IsOpen());
    EXPECT_EQ(ez.SetBaud(115200), Variant::I4(0));
    EXPECT_EQ(ez.Reset(0), Variant::Null());
    EXPECT_EQ(ez.GetErrorCode(), 0);
    const std::string unopened =
        "Can't write to serial port (COM1 (" + PortMap::LinkPath("com1") + "): No such file or directory)";
    EXPECT_EQ(ez.GetErrorString(), unopened);
    EXPECT_EQ(ez.ReadFlash(0, 16), Variant::Null());
    EXPECT_EQ(ez.GetErrorString(), unopened);
    // PowerOn fails as Reset does, before any of its 10 s wait.
    EXPECT_EQ(ez.PowerOn(), Variant::Null());
    EXPECT_EQ(ez.GetErrorString(), unopened);
    EXPECT_EQ(clock.TotalSleptMs(), 0u);
}

// With a port-map folder that has no com1 link nothing is opened at all: not the
// built-in port, not anything else. The failure reaches the script as its error
// method says, like every other failure of the board.
TEST(Ez2181MissingPort, ANameNotInThePortMapOpensNothingAndFailsByTheErrorMethod)
{
    ScopedConfigHome home;  // an empty port map
    const std::string text = "Can't write to serial port (" + PortMap::NotMappedText("COM1") + ")";
    EXPECT_NE(text.find("COM1 is not in the port map: " + PortMap::FolderPath()), std::string::npos);
    EXPECT_NE(text.find("ln -sfn /dev/ttyUSB0 " + PortMap::LinkPath("com1")), std::string::npos);
    const struct {
        std::int32_t method;
        Variant result;
    } cases[] = {{0, Variant::Null()}, {1, Variant::Error(5)}};
    for (const auto& c : cases) {
        FakeClock clock(100);
        auto device = std::make_unique<FakeCommDevice>();
        const FakeCommDevice& seen = *device;
        Ez2181 ez(std::move(device), clock);
        ez.SetErrorMethod(c.method);
        EXPECT_EQ(ez.Reset(0), c.result);
        EXPECT_EQ(ez.GetErrorString(), text);
        EXPECT_EQ(ez.PowerOn(), c.result);
        EXPECT_EQ(ez.GetErrorString(), text);
        EXPECT_EQ(ez.GetErrorCode(), 0);
        EXPECT_EQ(clock.TotalSleptMs(), 0u);
        EXPECT_EQ(seen.openedPath(), "");
        EXPECT_FALSE(seen.IsOpen());
        EXPECT_TRUE(seen.written().empty());
    }
    FakeClock clock(100);
    Ez2181 ez(std::make_unique<FakeCommDevice>(), clock);
    ez.SetErrorMethod(2);
    try {
        ez.PowerOn();
        ADD_FAILURE() << "no exception";
    } catch (const DispatchException& e) {
        EXPECT_EQ(e.info().description, text);
        EXPECT_EQ(e.info().code, 0);
    }
}

// Counts no memory can hold fail at once, each on a new object as a client's first
// call; HostileClientTest makes the same calls through the server.
TEST_F(Ez2181Test, HugeAndNegativeCountsFailAtOnce)
{
    constexpr std::int32_t kHuge = FirstCall::kHuge;
    const auto i4 = [](std::int32_t v) { return Variant::I4(v); };
    FirstCall::ExpectEach([this] { return std::make_unique<Ez2181>(std::make_unique<SimulatedDeviceLine>(board, &clock), clock); },
                          {
                              {"ReadDM", {i4(0), i4(kHuge), i4(0), i4(0)}, Variant::Null(), "Can't access data"},
                              {"ReadPM", {i4(0), i4(kHuge), i4(0), i4(0)}, Variant::Null(), "Can't access data"},
                              {"ReadIO", {i4(0), i4(kHuge)}, Variant::Null(), "Can't access data"},
                              {"ReadIO", {i4(0), i4(-1)}, Variant::Null(), "Can't access data"},
                              {"ReadFlash", {i4(0), i4(kHuge)}, Variant::Null(), "Can't access Data"},
                          });
    EXPECT_TRUE(board.ReceivedBytes().empty());
}

}  // namespace
