#include "monitor/core/tests/SRecordFiles.h"
#include "monitor/core/tests/TestBoard.h"

#include "automation/core/DispatchException.h"

#include <gtest/gtest.h>

namespace {

// A device class below Device with no family in between.
class PlainDevice : public Device {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<PlainDevice, Device>().Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }
};

SafeArray UI1Vector(std::initializer_list<std::uint8_t> values)
{
    SafeArray array = SafeArray::Vector(VT_UI1, values.size());
    std::size_t i = 0;
    for (std::uint8_t value : values)
        array.set(i++, Variant::UI1(value));
    return array;
}

std::int32_t DispIdOf(const Dispatchable& object, const char* name)
{
    std::int32_t dispid = -1;
    EXPECT_EQ(object.GetIDsOfNames(name, dispid), S_OK) << name;
    return dispid;
}

class DeviceTest : public ::testing::Test {
protected:
    std::string SRecordFile(const ByteBlocks& blocks)
    {
        return MakeSRecordFile(folder, "image" + std::to_string(files++) + ".bnm", blocks);
    }

    std::vector<TestBoard::Call> CallsOf(const char* hook) const
    {
        std::vector<TestBoard::Call> found;
        for (const TestBoard::Call& call : board.calls) {
            if (call.hook == hook)
                found.push_back(call);
        }
        return found;
    }

    TempFolder folder;
    TestBoard board;
    int files = 0;
};

TEST_F(DeviceTest, DispatchIdentifiersFollowDepthAndPosition)
{
    const char* names[] = {"ReadSym", "FindSym", "WriteSym", "ReadFlash", "WriteFlash"};
    PlainDevice plain;
    for (std::int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(DispIdOf(board, names[i]), 0x20001 + i) << names[i];
        EXPECT_EQ(DispIdOf(plain, names[i]), 0x10001 + i) << names[i];
    }
    EXPECT_EQ(DispIdOf(board, "ErrorMethod"), 0x30001);
    EXPECT_EQ(DispIdOf(plain, "ErrorString"), 0x20003);
    EXPECT_EQ(DispIdOf(board, "readflash"), 0x20004);
}

TEST_F(DeviceTest, ReadSymGivesStatus21AndLeavesErrorProperties)
{
    board.ProgFlash(folder.Path("absent.bnm"));
    ASSERT_EQ(board.ErrorCodeProperty(), 3);
    InvokeResult got = board.Invoke(0x20001, InvokeKind::Method, {Variant::Bstr("any.sym")});
    EXPECT_EQ(got.hr, S_OK);
    EXPECT_EQ(got.result, Variant::Error(21));
    EXPECT_EQ(board.ErrorCodeProperty(), 3);
    EXPECT_EQ(board.ErrorStringProperty(), "Error opening file");
    // The same under every error method: it is a status, not a failure.
    board.SetErrorMethodProperty(2);
    EXPECT_EQ(board.Invoke(0x20001, InvokeKind::Method, {Variant::Bstr("")}).result, Variant::Error(21));
}

TEST_F(DeviceTest, FindSymAndWriteSymDoNothing)
{
    InvokeResult found = board.Invoke(0x20002, InvokeKind::Method, {Variant::Bstr("main"), Variant::I4(1)});
    EXPECT_EQ(found.hr, S_OK);
    EXPECT_EQ(found.result, Variant());
    InvokeResult written = board.Invoke(0x20003, InvokeKind::Method, {Variant::Bstr("main"), Variant::I4(5)});
    EXPECT_EQ(written.hr, S_OK);
    EXPECT_EQ(written.result, Variant());
    EXPECT_TRUE(board.calls.empty());
}

TEST_F(DeviceTest, FlashMembersPassBlocksThroughUnchanged)
{
    board.flash[0x101] = 0x42;
    InvokeResult read = board.Invoke(0x20004, InvokeKind::Method, {Variant::I4(0x100), Variant::I4(3)});
    ASSERT_EQ(read.hr, S_OK);
    ASSERT_EQ(read.result.vt(), VT_ARRAY | VT_I4);
    EXPECT_EQ(read.result.array().at(1), Variant::I4(0x42));
    SafeArray bytes = SafeArray::Vector(VT_I2, 2);
    bytes.set(0, Variant::I2(1));
    bytes.set(1, Variant::I2(2));
    InvokeResult written = board.Invoke(0x20005, InvokeKind::Method, {Variant::I4(0x200), Variant::Array(bytes)});
    EXPECT_EQ(written.result, Variant::I4(0));
    ASSERT_EQ(board.calls.size(), 2u);
    // The client's values reach the board as the values they convert to.
    EXPECT_EQ(board.calls[1].data, Variant::Array(UI1Vector({1, 2})));
    EXPECT_EQ(board.flash[0x201], 2);
}

TEST_F(DeviceTest, FlashMembersWithoutBoardHooksAreEmpty)
{
    PlainDevice plain;
    Variant data = Variant::I4(1);
    EXPECT_EQ(plain.ReadFlash(0, 4), Variant());
    EXPECT_EQ(plain.WriteFlash(0, data), Variant());
    EXPECT_EQ(plain.ReadMemory(0, 1, 0, 1, 0), Variant());
    EXPECT_EQ(plain.WriteMemory(0, data, 0, 2, 0), Variant());
}

TEST_F(DeviceTest, ProgramsWholePresentPagesLowestFirst)
{
    ByteBlocks blocks{
        {0x000010, PatternBytes(5, 1)},
        {0x0005F1, PatternBytes(600, 2)},
        {0x010001, PatternBytes(37, 3)},
    };
    std::string path = SRecordFile(blocks);
    EXPECT_EQ(board.ProgFlash(path), Variant::I4(0));
    std::vector<TestBoard::Call> writes = CallsOf("WriteFlashBlock");
    ASSERT_EQ(writes.size(), 6u);
    const std::int32_t addresses[] = {0x0, 0x500, 0x600, 0x700, 0x800, 0x10000};
    const std::string binary = SrecCatBinary(path, 0x10100);
    for (std::size_t w = 0; w < writes.size(); ++w) {
        SCOPED_TRACE(w);
        EXPECT_EQ(writes[w].address, addresses[w]);
        ASSERT_EQ(writes[w].data.vt(), VT_ARRAY | VT_UI1);
        const SafeArray& page = writes[w].data.array();
        ASSERT_EQ(page.size(), 256u);
        ASSERT_TRUE(page.IsVector());
        for (std::size_t k = 0; k < 256; ++k) {
            ASSERT_EQ(page.at(k),
                      Variant::UI1(static_cast<std::uint8_t>(binary[static_cast<std::size_t>(addresses[w]) + k])))
                << k;
        }
    }
    // Page 0 starts with 16 erased bytes before the data at 0x10.
    EXPECT_EQ(writes[0].data.array().at(0x0F), Variant::UI1(0xFF));
    EXPECT_EQ(writes[0].data.array().at(0x10), Variant::UI1(PatternBytes(5, 1)[0]));
}

TEST_F(DeviceTest, AFailureKindMissingFromTheBoardsTableIsAnError)
{
    std::string path = SRecordFile({{0x000000, PatternBytes(1024, 4)}});
    board.SetErrorMethodProperty(1);
    board.failWriteNumber = 1;
    board.failKind = LinkResult::InvalidLockoutValue;  // not in the test board's table
    EXPECT_EQ(board.ProgFlash(path), Variant::Error(TestBoard::kBoardErrorCode + 5));
    EXPECT_EQ(CallsOf("WriteFlashBlock").size(), 2u);
    EXPECT_EQ(board.ErrorCodeProperty(), TestBoard::kBoardErrorCode);
    EXPECT_EQ(board.ErrorStringProperty(), "General Error");
}

TEST_F(DeviceTest, StopsAtFirstFailingBlockWithTheBoardsResult)
{
    std::string path = SRecordFile({{0x000000, PatternBytes(1024, 4)}});
    board.failWriteNumber = 1;
    EXPECT_EQ(board.ProgFlash(path), Variant::Null());
    EXPECT_EQ(CallsOf("WriteFlashBlock").size(), 2u);
    EXPECT_EQ(board.ErrorCodeProperty(), TestBoard::kBoardErrorCode);
    EXPECT_EQ(board.ErrorStringProperty(), TestBoard::kBoardErrorText);

    TestBoard second;
    second.SetErrorMethodProperty(1);
    second.failWriteNumber = 2;
    EXPECT_EQ(second.ProgFlash(path), Variant::Error(TestBoard::kBoardErrorCode + 5));
    EXPECT_EQ(second.calls.size(), 3u);
}

TEST_F(DeviceTest, ImageWithoutDataProgramsNothing)
{
    std::string path = folder.Write("empty.bnm", "S00600004844521B\nS9030000FC\n");
    EXPECT_EQ(board.ProgFlash(path), Variant());
    EXPECT_EQ(board.VerifyFlash(path), Variant::I4(0));
    EXPECT_TRUE(board.calls.empty());
}

TEST_F(DeviceTest, LoadErrorsAreRecordedWithTheirNumber)
{
    EXPECT_EQ(board.ProgFlash(folder.Path("absent.bnm")), Variant::Null());
    EXPECT_EQ(board.ErrorCodeProperty(), 3);
    EXPECT_EQ(board.ErrorStringProperty(), "Error opening file");
    std::string badSum = folder.Write("sum.bnm", "S20500000011E8\nS804000000FB\n");
    EXPECT_EQ(board.VerifyFlash(badSum), Variant::Null());
    EXPECT_EQ(board.ErrorCodeProperty(), 7);
    EXPECT_EQ(board.ErrorStringProperty(), "Error opening file");
    EXPECT_TRUE(board.calls.empty());
}

TEST_F(DeviceTest, LoadErrorUnderErrorMethodTwoFailsTheCall)
{
    board.SetErrorMethodProperty(2);
    InvokeResult got = board.Invoke(0x10006, InvokeKind::Method, {Variant::Bstr(folder.Path("absent.bnm"))});
    EXPECT_EQ(got.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(got.excep.code, 3);
    EXPECT_EQ(got.excep.description, "Error opening file");
}

TEST_F(DeviceTest, VerifyReadsEveryPresentPageAndPasses)
{
    std::string path = SRecordFile({{0x000300, PatternBytes(300, 5)}, {0x002000, PatternBytes(1, 6)}});
    ASSERT_EQ(board.ProgFlash(path), Variant::I4(0));
    board.calls.clear();
    EXPECT_EQ(board.VerifyFlash(path), Variant::I4(0));
    std::vector<TestBoard::Call> reads = CallsOf("ReadFlashBlock");
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[0].address, 0x300);
    EXPECT_EQ(reads[1].address, 0x400);
    EXPECT_EQ(reads[2].address, 0x2000);
    for (const TestBoard::Call& read : reads)
        EXPECT_EQ(read.countOrSpace, 256);
}

TEST_F(DeviceTest, VerifyMismatchRecordsTheByteAddress)
{
    std::string path = SRecordFile({{0x000300, PatternBytes(16, 7)}});
    ASSERT_EQ(board.ProgFlash(path), Variant::I4(0));
    board.flash[0x305] ^= 0x01;
    board.flash[0x306] ^= 0x01;  // only the first difference counts
    EXPECT_EQ(board.VerifyFlash(path), Variant::Null());
    EXPECT_EQ(board.ErrorCodeProperty(), 0x305);
    EXPECT_EQ(board.ErrorStringProperty(), "Verify Error at Addr");
}

TEST_F(DeviceTest, VerifyMismatchCodeKeepsLow16Bits)
{
    std::string path = SRecordFile({{0x012300, PatternBytes(0x50, 8)}});
    ASSERT_EQ(board.ProgFlash(path), Variant::I4(0));
    board.flash[0x12345] ^= 0x80;
    board.SetErrorMethodProperty(1);
    EXPECT_EQ(board.VerifyFlash(path), Variant::Error(0x2345 + 5));
    EXPECT_EQ(board.ErrorCodeProperty(), 0x2345);

    board.flash[0x12345] ^= 0x80;
    board.flash[0x123FF] = 0;  // an erased byte that the file leaves unset
    EXPECT_EQ(board.VerifyFlash(path), Variant::Error(0x23FF + 5));
    EXPECT_EQ(board.ErrorCodeProperty(), 0x23FF);
}

TEST_F(DeviceTest, VerifyStopsAtAFailedRead)
{
    std::string path = SRecordFile({{0x000000, PatternBytes(600, 9)}});
    board.SetErrorMethodProperty(1);
    board.readFailure = LinkResult{LinkResult::NoResponse, 77};
    EXPECT_EQ(board.VerifyFlash(path), Variant::Error(77 + 5));
    EXPECT_EQ(CallsOf("ReadFlashBlock").size(), 1u);
    // The board's failure as its table records it, not a verify error.
    EXPECT_EQ(board.ErrorCodeProperty(), 77);
    EXPECT_EQ(board.ErrorStringProperty(), TestBoard::kBoardReadErrorText);
}

TEST_F(DeviceTest, VerifyWithoutDataCannotAccessIt)
{
    std::string path = SRecordFile({{0x000000, PatternBytes(4, 10)}});
    board.flashHooks = false;
    EXPECT_EQ(board.VerifyFlash(path), Variant::Null());
    EXPECT_EQ(board.ErrorCodeProperty(), 0);
    EXPECT_EQ(board.ErrorStringProperty(), "Can't access data");
}

TEST_F(DeviceTest, VerifyComparesElementsOfAnyNumericType)
{
    std::string path = SRecordFile({{0x000000, {0x01, 0x80, 0xFF}}});
    SafeArray bytes = SafeArray::Vector(VT_UI1, 256);
    for (std::size_t k = 0; k < 256; ++k)
        bytes.set(k, Variant::UI1(0xFF));
    bytes.set(0, Variant::UI1(0x01));
    bytes.set(1, Variant::UI1(0x80));
    board.readResult = Variant::Array(bytes);
    EXPECT_EQ(board.VerifyFlash(path), Variant::I4(0));
    // A value read as a sign-extended byte does not match the byte 0x80.
    SafeArray shorts = SafeArray::Vector(VT_I2, 256);
    for (std::size_t k = 0; k < 256; ++k)
        shorts.set(k, Variant::I2(bytes.at(k).ui1()));
    shorts.set(1, Variant::I2(-128));
    board.readResult = Variant::Array(shorts);
    EXPECT_EQ(board.VerifyFlash(path), Variant::Null());
    EXPECT_EQ(board.ErrorCodeProperty(), 1);
}

TEST_F(DeviceTest, ShortReadFailsAtTheFirstByteNotReturned)
{
    std::string path = SRecordFile({{0x000400, PatternBytes(8, 11)}});
    ASSERT_EQ(board.ProgFlash(path), Variant::I4(0));
    SafeArray part = SafeArray::Vector(VT_I4, 100);
    std::vector<std::uint8_t> data = PatternBytes(8, 11);
    for (std::size_t k = 0; k < 100; ++k)
        part.set(k, Variant::I4(k < 8 ? data[k] : 0xFF));
    board.readResult = Variant::Array(part);
    EXPECT_EQ(board.VerifyFlash(path), Variant::Null());
    EXPECT_EQ(board.ErrorCodeProperty(), 0x400 + 100);
    EXPECT_EQ(board.ErrorStringProperty(), "Verify Error at Addr");

    // A scalar is the value of the first byte only.
    board.readResult = Variant::I4(data[0]);
    EXPECT_EQ(board.VerifyFlash(path), Variant::Null());
    EXPECT_EQ(board.ErrorCodeProperty(), 0x401);
}

// Progress as the transport sees it: bytes of the present pages, 0 first,
// then one report after each page written or compared.
TEST_F(DeviceTest, FlashLoopsReportBytesOfPresentPagesAfterEachPage)
{
    std::vector<std::pair<std::uint64_t, std::uint64_t>> reports;
    board.SetProgressHook([&reports](std::uint64_t done, std::uint64_t total) { reports.emplace_back(done, total); });
    std::string path = SRecordFile({{0x000300, PatternBytes(300, 5)}, {0x002000, PatternBytes(1, 6)}});
    const std::vector<std::pair<std::uint64_t, std::uint64_t>> expected{{0, 768}, {256, 768}, {512, 768}, {768, 768}};
    EXPECT_EQ(board.ProgFlash(path), Variant::I4(0));
    EXPECT_EQ(reports, expected);
    reports.clear();
    EXPECT_EQ(board.VerifyFlash(path), Variant::I4(0));
    EXPECT_EQ(reports, expected);
}

TEST_F(DeviceTest, ProgressStopsAtTheFailingPageAndNoneForALoadError)
{
    std::vector<std::uint64_t> done;
    board.SetProgressHook([&done](std::uint64_t bytes, std::uint64_t) { done.push_back(bytes); });
    EXPECT_EQ(board.ProgFlash(folder.Path("absent.bnm")), Variant::Null());
    EXPECT_TRUE(done.empty());
    board.failWriteNumber = 2;
    EXPECT_EQ(board.ProgFlash(SRecordFile({{0x000000, PatternBytes(1024, 4)}})), Variant::Null());
    EXPECT_EQ(done, (std::vector<std::uint64_t>{0, 256, 512}));
    board.SetProgressHook(nullptr);
    board.failWriteNumber.reset();
    EXPECT_EQ(board.ProgFlash(SRecordFile({{0x000000, PatternBytes(10, 4)}})), Variant::I4(0));
    EXPECT_EQ(done.size(), 3u);
}

}  // namespace
