#include "monitor/core/HexFlashImage.h"
#include "monitor/core/tests/SRecordFiles.h"
#include "monitor/core/tests/TestBoard.h"
#include "monitor/core/BoardValues.h"
#include "platform/PtyPair.h"
#include "monitor/core/tests/ClientCalls.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

SafeArray I4Array(std::vector<std::int32_t> values)
{
    SafeArray array = SafeArray::Vector(VT_I4, values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        array.set(i, Variant::I4(values[i]));
    return array;
}

TEST(Ad21xx, DispatchIdentifiersOnADerivedBoard)
{
    TestBoard board;
    const char* names[] = {"ReadDM", "WriteDM", "LoadProg", "ReadPM", "WritePM",
                           "ProgFlash", "VerifyFlash", "ReadIO", "WriteIO"};
    for (std::int32_t i = 0; i < 9; ++i)
        EXPECT_EQ(IdOf(board, names[i]), 0x10001 + i) << names[i];
    EXPECT_EQ(IdOf(board, "Reset"), 1);
}

TEST(Ad21xx, ProgFlashAndVerifyFlashAnswerTo0x10006And0x10007)
{
    TempFolder folder;
    TestBoard board;
    std::string path = MakeSRecordFile(folder, "p.bnm", {{0x000100, PatternBytes(10, 1)}});
    EXPECT_EQ(InvokeMethod(board, 0x10006, {Variant::Bstr(path)}), Variant::I4(0));
    ASSERT_EQ(board.calls.size(), 1u);
    EXPECT_EQ(board.calls[0].hook, "WriteFlashBlock");
    EXPECT_EQ(board.calls[0].address, 0x100);
    EXPECT_EQ(InvokeMethod(board, 0x10007, {Variant::Bstr(path)}), Variant::I4(0));
    ASSERT_EQ(board.calls.size(), 2u);
    EXPECT_EQ(board.calls[1].hook, "ReadFlashBlock");
}

TEST(Ad21xx, MissingFlashFileGivesErrorThree)
{
    TempFolder folder;
    TestBoard board;
    board.SetErrorMethodProperty(1);
    EXPECT_EQ(board.ProgFlash(folder.Path("none.bnm")), Variant::Error(8));
    EXPECT_EQ(board.ErrorStringProperty(), "Error opening file");
    EXPECT_EQ(board.VerifyFlash(folder.Path("none.bnm")), Variant::Error(8));
    EXPECT_EQ(board.ErrorCodeProperty(), 3);
}

TEST(Ad21xx, MemoryMembersMapOntoBoardSpaces)
{
    TestBoard board;
    board.memory[{0, 17}] = 0x1234;
    Variant read = InvokeMethod(board, 0x10001, {Variant::I4(16), Variant::I4(4), Variant::I4(0), Variant::I4(0)});
    EXPECT_EQ(read, Variant::Array(I4Array({0, 0x1234, 0, 0})));
    InvokeMethod(board, 0x10004, {Variant::I4(32), Variant::I4(2), Variant::I4(0), Variant::I4(0)});
    InvokeMethod(board, 0x10008, {Variant::I4(5), Variant::I4(1)});
    Variant one = Variant::Array(I4Array({1}));
    InvokeMethod(board, 0x10002, {Variant::I4(3), one, Variant::I4(6), Variant::I4(99)});
    InvokeMethod(board, 0x10005, {Variant::I4(4), Variant::R8(2.75), Variant::I4(0), Variant::I4(0)});
    InvokeMethod(board, 0x10009, {Variant::I4(6), Variant::I2(7)});

    ASSERT_EQ(board.calls.size(), 6u);
    const std::pair<const char*, std::int32_t> expected[] = {
        {"ReadSpace", 0}, {"ReadSpace", 1}, {"ReadSpace", 2}, {"WriteSpace", 0}, {"WriteSpace", 1}, {"WriteSpace", 2}};
    const std::int32_t addresses[] = {16, 32, 5, 3, 4, 6};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(board.calls[i].hook, expected[i].first) << i;
        EXPECT_EQ(board.calls[i].countOrSpace, expected[i].second) << i;
        EXPECT_EQ(board.calls[i].address, addresses[i]) << i;
    }
    EXPECT_EQ(board.calls[0].data, Variant::I4(4));  // the count read
    EXPECT_EQ(board.calls[2].data, Variant::I4(1));
    // Write data reaches the board as the words it converts to.
    EXPECT_EQ(board.calls[3].data, one);
    EXPECT_EQ(board.calls[4].data, Variant::Array(I4Array({3})));
    EXPECT_EQ(board.calls[5].data, Variant::Array(I4Array({7})));
}

TEST(Ad21xx, FloatFormatsRelabelAScalarResult)
{
    const std::int32_t oneBits = std::bit_cast<std::int32_t>(1.0f);
    const auto formatted = [](Variant result, std::int32_t format) {
        BoardValues::ApplyFloatFormat(result, format);
        return result;
    };
    Variant six = formatted(Variant::I4(oneBits), 6);
    EXPECT_EQ(six.vt(), VT_R4);
    EXPECT_EQ(six.r4(), 1.0f);
    EXPECT_EQ(formatted(Variant::I4(oneBits), 7), Variant::R4(1.0f));
    EXPECT_EQ(formatted(Variant::I4(oneBits), 5), Variant::I4(oneBits));
    EXPECT_EQ(formatted(Variant::I4(oneBits), 8), Variant::I4(oneBits));
    EXPECT_EQ(formatted(Variant::I2(5), 6), Variant::I2(5));
    EXPECT_EQ(formatted(Variant::Null(), 7), Variant::Null());
    EXPECT_EQ(formatted(Variant::Error(12), 7), Variant::Error(12));

    // The boards answer arrays, which keep their type.
    TestBoard board;
    board.readResult = Variant::Array(I4Array({oneBits}));
    EXPECT_EQ(board.ReadPM(0, 1, 6, 0), Variant::Array(I4Array({oneBits})));
    board.SetErrorMethodProperty(1);
    board.readFailure = LinkResult{LinkResult::NoResponse, 7};
    EXPECT_EQ(board.ReadDM(0, 1, 7, 0), Variant::Error(12));
}

TEST(Ad21xx, IoReadIsNotRelabelled)
{
    TestBoard board;
    board.readResult = Variant::I4(3);
    EXPECT_EQ(InvokeMethod(board, 0x10008, {Variant::I4(5), Variant::I4(1)}), Variant::Array(I4Array({3})));
}

TEST(Ad21xx, BoardWithoutSpaceHooksAnswersEmpty)
{
    BareAd21xx bare;
    Variant data = Variant::I4(1);
    EXPECT_EQ(bare.ReadDM(0, 4, 6, 0), Variant());
    EXPECT_EQ(bare.WriteDM(0, data, 0, 0), Variant());
    EXPECT_EQ(bare.ReadPM(0, 4, 7, 0), Variant());
    EXPECT_EQ(bare.WritePM(0, data, 0, 0), Variant());
    EXPECT_EQ(bare.ReadIO(0, 4), Variant());
    EXPECT_EQ(bare.WriteIO(0, data), Variant());
    std::int32_t dispid = 0;
    ASSERT_EQ(bare.GetIDsOfNames("ErrorString", dispid), S_OK);
    EXPECT_EQ(bare.Invoke(dispid, InvokeKind::PropertyGet, {}).result, Variant::Bstr(""));
}

// Runs `call` on a thread of its own. A call still waiting after a generous guard time
// is let go by `release` and counted as a failure, so that a call that waits for a
// writer fails the test instead of hanging the run.
template <class Call>
auto GuardedCall(Call call, const std::function<void()>& release)
{
    auto pending = std::async(std::launch::async, call);
    if (pending.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ADD_FAILURE() << "the call waited for its file";
        release();
    }
    return pending.get();
}

// A FIFO, a device (this test's own pseudo-terminal) and a folder are no files: every
// member that loads a file by name refuses them at once with its open-file error,
// without waiting for a writer or for the device's input.
TEST(Ad21xx, NamesThatAreNotRegularFilesFailAtOnce)
{
    TempFolder folder;
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const std::string fifo = folder.Path("fifo.bnm");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string subfolder = folder.Path("");

    // Each name with what lets a load that waits for it go: a writer that comes and goes,
    // a line that hangs up.
    const std::pair<std::string, std::function<void()>> names[] = {
        {fifo, [&] { ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)); }},
        {pty.slavePath(), [&] { pty.CloseMaster(); }},
        {subfolder, [] {}},
    };
    for (const auto& [name, release] : names) {
        SCOPED_TRACE(name);
        TestBoard board;
        EXPECT_EQ(GuardedCall([&] { return board.ProgFlash(name); }, release), Variant::Null());
        EXPECT_EQ(board.ErrorCodeProperty(), 3);
        EXPECT_EQ(board.ErrorStringProperty(), "Error opening file");
        EXPECT_EQ(GuardedCall([&] { return board.VerifyFlash(name); }, release), Variant::Null());
        EXPECT_EQ(board.ErrorCodeProperty(), 3);
        EXPECT_EQ(GuardedCall([&] { return board.LoadProg(name); }, release), Variant::Null());
        EXPECT_EQ(board.ErrorStringProperty(), "Can not open file");
        EXPECT_TRUE(board.calls.empty());

        HexFlashImage hexImage(256);
        EXPECT_EQ(GuardedCall([&] { return hexImage.Load(name); }, release), FlashImage::CannotOpen);
    }
}

// LoadProg through a board.

const std::string kFirst = "\x1B\x1Bi\n";
const std::string kEnd = "\x1B\x1Bo\n";

std::string WordLines(std::int32_t first, std::int32_t count)
{
    std::string text;
    char line[16];
    for (std::int32_t i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "%06X\n", first + i);
        text += line;
    }
    return text;
}

class LoadProgTest : public ::testing::Test {
protected:
    Variant LoadText(const std::string& text)
    {
        return InvokeMethod(board, 0x10003, {Variant::Bstr(folder.Write("prog.exe", text))});
    }

    TempFolder folder;
    TestBoard board;
};

TEST_F(LoadProgTest, StartWordIsHeldAndTheRestWritten)
{
    EXPECT_EQ(LoadText(kFirst + "@PA\n0000\n00ABCD\n123456\n654321\n#\n" + kEnd), Variant::I4(0));
    EXPECT_EQ(board.HeldStartWord(), 0xABCD);
    ASSERT_EQ(board.calls.size(), 1u);
    EXPECT_EQ(board.calls[0].hook, "WriteSpace");
    EXPECT_EQ(board.calls[0].address, 1);
    EXPECT_EQ(board.calls[0].countOrSpace, 1);
    EXPECT_EQ(board.calls[0].data, Variant::Array(I4Array({0x123456, 0x654321})));
    EXPECT_EQ(board.memory.count({1, 0}), 0u);  // address 0 is never written
}

TEST_F(LoadProgTest, StartWordAloneWritesNothing)
{
    EXPECT_EQ(LoadText(kFirst + "@P\n0\nFFFFFF\n#\n" + kEnd), Variant::I4(0));
    EXPECT_EQ(board.HeldStartWord(), 0xFFFFFF);
    EXPECT_TRUE(board.calls.empty());
    // A later load without a word for address 0 keeps the held word.
    EXPECT_EQ(LoadText(kFirst + "@P\n10\n1\n#\n" + kEnd), Variant::I4(0));
    EXPECT_EQ(board.HeldStartWord(), 0xFFFFFF);
}

TEST_F(LoadProgTest, DataSectionGoesToProgramSpaceAt0x4000PlusAddress)
{
    EXPECT_EQ(LoadText(kFirst + "@DA\n0010\n1111\n2222\n#\n" + kEnd), Variant::I4(0));
    ASSERT_EQ(board.calls.size(), 1u);
    EXPECT_EQ(board.calls[0].address, 0x4010);
    EXPECT_EQ(board.calls[0].countOrSpace, 1);
    EXPECT_EQ((board.memory[{1, 0x4011}]), 0x2222);
    EXPECT_EQ(board.HeldStartWord(), 0);
}

TEST_F(LoadProgTest, SectionsAreWrittenInBlocksOf200Words)
{
    EXPECT_EQ(LoadText(kFirst + "@P\n0000\n" + WordLines(0x100, 450) + "#\n" + kEnd), Variant::I4(0));
    ASSERT_EQ(board.calls.size(), 3u);
    EXPECT_EQ(board.calls[0].address, 1);  // the start word was held back
    EXPECT_EQ(board.calls[0].data.array().size(), 199u);
    EXPECT_EQ(board.calls[1].address, 200);
    EXPECT_EQ(board.calls[1].data.array().size(), 200u);
    EXPECT_EQ(board.calls[2].address, 400);
    EXPECT_EQ(board.calls[2].data.array().size(), 50u);
    EXPECT_EQ(board.HeldStartWord(), 0x100);
    for (std::int32_t a = 1; a < 450; ++a)
        ASSERT_EQ((board.memory[{1, a}]), 0x100 + a) << a;
}

TEST_F(LoadProgTest, FileFaultsAreRecordedWithTheirTexts)
{
    const std::pair<std::string, const char*> cases[] = {
        {"text\n", "File format not correct"},
        {kFirst + "@BO\n", "@BO or @BA types not supported"},
        {kFirst + "@X\n", "Unrecognized @xx field"},
        {kFirst + "0010\n", "@ symbol expected in .exe file"},
        {kFirst + "@P\n10\n1\n" + kEnd, "Section not closed by # in .exe file"},
    };
    for (const auto& [text, error] : cases) {
        SCOPED_TRACE(error);
        EXPECT_EQ(LoadText(text), Variant::Null());
        EXPECT_EQ(board.ErrorCodeProperty(), 0);
        EXPECT_EQ(board.ErrorStringProperty(), error);
    }
    EXPECT_EQ(board.LoadProg(folder.Path("absent.exe")), Variant::Null());
    EXPECT_EQ(board.ErrorStringProperty(), "Can not open file");
    EXPECT_TRUE(board.calls.empty());
}

TEST_F(LoadProgTest, FailedBlockWriteReturnsTheBoardsResult)
{
    board.failWriteNumber = 1;
    board.SetErrorMethodProperty(1);
    EXPECT_EQ(LoadText(kFirst + "@P\n10\n" + WordLines(0, 450) + "#\n" + kEnd),
              Variant::Error(TestBoard::kBoardErrorCode + 5));
    EXPECT_EQ(board.calls.size(), 2u);
    EXPECT_EQ(board.ErrorStringProperty(), TestBoard::kBoardErrorText);
}

TEST_F(LoadProgTest, FileFaultUnderErrorMethodTwoFailsTheCall)
{
    board.SetErrorMethodProperty(2);
    InvokeResult got = board.Invoke(0x10003, InvokeKind::Method, {Variant::Bstr(folder.Write("x.exe", "x\n"))});
    EXPECT_EQ(got.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(got.excep.description, "File format not correct");
    EXPECT_EQ(got.excep.code, 0);
}

}  // namespace
