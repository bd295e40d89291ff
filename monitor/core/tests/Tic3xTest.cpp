#include "monitor/core/Tic3x.h"
#include "monitor/core/tests/ClientCalls.h"

#include <gtest/gtest.h>

namespace {

TEST(Tic3x, DispatchIdentifiers)
{
    Tic3x target;
    const std::pair<const char*, std::int32_t> expected[] = {
        {"ReadMem", 1}, {"WriteMem", 2}, {"ReadSym", 0x10001}, {"WriteFlash", 0x10005}, {"ErrorMethod", 0x20001}, {"ErrorString", 0x20003}};
    for (const auto& [name, id] : expected) {
        std::int32_t dispid = -1;
        ASSERT_EQ(target.GetIDsOfNames(name, dispid), S_OK) << name;
        EXPECT_EQ(dispid, id) << name;
    }
}

TEST(Tic3x, ReadMemAnswersEmptyAndRecordsNothing)
{
    Tic3x target;
    EXPECT_EQ(InvokeMethod(target, 1, {Variant::I4(0), Variant::I4(10), Variant::I4(0), Variant::I4(0)}), Variant());
    EXPECT_EQ(target.GetErrorCode(), 0);
    EXPECT_EQ(target.GetErrorString(), "");
}

TEST(Tic3x, WriteMemHandsTheDataBack)
{
    Tic3x target;
    EXPECT_EQ(InvokeMethod(target, 2, {Variant::I4(0), Variant::I4(5), Variant::I4(0), Variant::I4(0)}), Variant::I4(5));
    SafeArray array = SafeArray::Vector(VT_R8, 3);
    array.set(1, Variant::R8(2.5));
    const Variant data = Variant::Array(array);
    EXPECT_EQ(InvokeMethod(target, 2, {Variant::I4(0), data, Variant::I4(0), Variant::I4(0)}), data);
    EXPECT_EQ(InvokeMethod(target, 2, {Variant::I4(0), Variant::Bstr("text"), Variant::I4(0), Variant::I4(0)}),
              Variant::Bstr("text"));
}

TEST(Tic3x, FlashMembersAnswerEmpty)
{
    Tic3x target;
    EXPECT_EQ(InvokeMethod(target, 0x10004, {Variant::I4(0), Variant::I4(4)}), Variant());
    EXPECT_EQ(InvokeMethod(target, 0x10005, {Variant::I4(0), Variant::I4(4)}), Variant());
}

}  // namespace
