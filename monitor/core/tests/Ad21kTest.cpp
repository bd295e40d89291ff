#include "monitor/core/Ad21k.h"
#include "monitor/core/tests/TestBoard.h"
#include "monitor/core/BoardValues.h"
#include "monitor/core/tests/ClientCalls.h"

#include <gtest/gtest.h>

#include <bit>

namespace {

// A 21k board with data memory only: it records the hook calls, reads the
// words the test puts in `answer` and fails with `failure` when it is set.
class DataOnlyBoard : public Ad21k {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<DataOnlyBoard, Ad21k>()
                                           .Method("Reset", &DataOnlyBoard::Reset)
                                           .Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    Variant Reset() { return Variant::I4(1); }

    bool HasDataMemory() const override { return true; }
    LinkResult ReadDataMemory(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& words) override
    {
        calls.push_back("ReadDataMemory " + std::to_string(address) + " " + std::to_string(count));
        words = answer;
        return failure;
    }
    LinkResult WriteDataMemory(std::int32_t address, std::span<const std::uint32_t> words) override
    {
        std::string call = "WriteDataMemory " + std::to_string(address);
        for (std::uint32_t word : words)
            call += " " + std::to_string(word);
        calls.push_back(call);
        return failure;
    }

    std::vector<std::string> calls;
    std::vector<std::uint32_t> answer{0};
    LinkResult failure;
};

TEST(Ad21k, DispatchIdentifiersOnABoard)
{
    DataOnlyBoard board;
    const char* names[] = {"LoadSym", "LoadProg", "ReadDM", "WriteDM", "ReadPM", "WritePM"};
    for (std::int32_t i = 0; i < 6; ++i)
        EXPECT_EQ(IdOf(board, names[i]), 0x10001 + i) << names[i];
    EXPECT_EQ(IdOf(board, "writeflash"), 0x20005);
    EXPECT_EQ(IdOf(board, "ErrorMethod"), 0x30001);
}

TEST(Ad21k, Identifier0x10006IsWritePMHereAndProgFlashOnThe21xxFamily)
{
    DataOnlyBoard board;
    board.answer = {7};
    // WritePM on a board without program memory answers empty and reaches no hook.
    EXPECT_EQ(InvokeMethod(board, 0x10006, {Variant::I4(0x10), Variant::I4(5), Variant::I4(0), Variant::I4(0)}), Variant());
    EXPECT_TRUE(board.calls.empty());
    TestBoard family21xx;
    InvokeResult got = family21xx.Invoke(0x10006, InvokeKind::Method, {Variant::Bstr("/nonexistent/p.bnm")});
    ASSERT_EQ(got.hr, S_OK);
    EXPECT_EQ(got.result, Variant::Null());
    EXPECT_EQ(family21xx.GetErrorString(), "Error opening file");
}

TEST(Ad21k, DataMembersReachTheDataHooks)
{
    DataOnlyBoard board;
    board.answer = {1, 2, 3};
    EXPECT_EQ(InvokeMethod(board, 0x10003, {Variant::I4(0x100), Variant::I4(3), Variant::I4(0), Variant::I4(0)}),
              BoardValues::I4Array(std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(InvokeMethod(board, 0x10004, {Variant::I4(0x200), Variant::I2(9), Variant::I4(0), Variant::I4(0)}),
              Variant::I4(0));
    EXPECT_EQ(board.calls, (std::vector<std::string>{"ReadDataMemory 256 3", "WriteDataMemory 512 9"}));
}

TEST(Ad21k, ProgramMembersAnswerEmptyWithoutProgramHooks)
{
    DataOnlyBoard board;
    Variant data = Variant::I4(1);
    EXPECT_EQ(board.ReadPM(0, 4, 0, 0), Variant());
    EXPECT_EQ(board.WritePM(0, data, 0, 0), Variant());
    EXPECT_TRUE(board.calls.empty());
    // Any space other than program memory is data memory.
    const Variant zero = BoardValues::I4Array(std::vector<std::uint32_t>{0});
    EXPECT_EQ(board.ReadMemory(0, 1, 0, 0, 0), zero);
    EXPECT_EQ(board.ReadMemory(0, 1, 0, 3, 0), zero);
    EXPECT_EQ(board.calls.size(), 2u);
}

TEST(Ad21k, ReadResultsAreArraysThatFloatFormatsLeaveAlone)
{
    DataOnlyBoard board;
    board.answer = {std::bit_cast<std::uint32_t>(1.5f), 0};
    for (std::int32_t format : {5, 6, 7})
        EXPECT_EQ(board.ReadDM(0, 2, format, 0).vt(), VT_ARRAY | VT_I4) << format;
    board.SetErrorMethod(1);
    board.failure = {LinkResult::NoResponse, 0};  // not in the board's (empty) table
    EXPECT_EQ(board.ReadDM(0, 1, 6, 0), Variant::Error(5));
    EXPECT_EQ(board.GetErrorString(), "General Error");
}

TEST(Ad21k, LoadSymAndLoadProgDoNothing)
{
    DataOnlyBoard board;
    EXPECT_EQ(InvokeMethod(board, 0x10001, {Variant::Bstr("x.sym")}), Variant());
    EXPECT_EQ(InvokeMethod(board, 0x10002, {Variant::Bstr("x.exe")}), Variant());
    EXPECT_EQ(board.GetErrorCode(), 0);
    EXPECT_EQ(board.GetErrorString(), "");
    EXPECT_TRUE(board.calls.empty());
}

}  // namespace
