#include "monitor/core/BoardValues.h"

#include <gtest/gtest.h>

#include <array>

namespace {

Variant Vector(VarType type, std::vector<Variant> elements)
{
    return Variant::Array(*SafeArray::FromElements(type, std::move(elements)));
}

TEST(BoardValues, ScriptDataBecomesTheBitsOfEachConvertedElement)
{
    EXPECT_EQ(BoardValues::Words32(Variant::I4(-1)), (std::vector<std::uint32_t>{0xFFFFFFFF}));
    EXPECT_EQ(BoardValues::Words32(Vector(VT_I4, {Variant::I4(1), Variant::I4(0x123456)})),
              (std::vector<std::uint32_t>{1, 0x123456}));
    EXPECT_EQ(BoardValues::Words16(Vector(VT_I4, {Variant::I4(-2), Variant::I4(0x7FFF)})),
              (std::vector<std::uint16_t>{0xFFFE, 0x7FFF}));
    EXPECT_EQ(BoardValues::Bytes(Vector(VT_I4, {Variant::I4(0), Variant::I4(255)})),
              (std::vector<std::uint8_t>{0, 255}));
}

TEST(BoardValues, DataThatDoesNotConvertGivesNothing)
{
    EXPECT_FALSE(BoardValues::Words16(Variant::I4(0x10000)));  // beyond VT_I2
    EXPECT_FALSE(BoardValues::Bytes(Variant::I4(256)));
    SafeArray square = *SafeArray::Create(VT_I4, {{2, 0}, {2, 0}});
    EXPECT_FALSE(BoardValues::Words32(Variant::Array(std::move(square))));
}

TEST(BoardValues, ReadWordsBecomeArraysThatKeepTheirBits)
{
    const std::array<std::uint32_t, 2> words{0xFFFFFFFF, 0x800000};
    EXPECT_EQ(BoardValues::I4Array(words), Vector(VT_I4, {Variant::I4(-1), Variant::I4(0x800000)}));
    const std::array<std::uint16_t, 2> halves{0x8000, 0x7FFF};
    EXPECT_EQ(BoardValues::I2Array(halves), Vector(VT_I2, {Variant::I2(-0x8000), Variant::I2(0x7FFF)}));
    const std::array<std::uint8_t, 2> bytes{0, 0xFF};
    EXPECT_EQ(BoardValues::I4Array(bytes), Vector(VT_I4, {Variant::I4(0), Variant::I4(255)}));
}

TEST(BoardValues, ArrayCanHoldFromNoneUpToTheLimit)
{
    EXPECT_FALSE(BoardValues::ArrayCanHold(-1));
    EXPECT_TRUE(BoardValues::ArrayCanHold(0));
    EXPECT_TRUE(BoardValues::ArrayCanHold(static_cast<std::int64_t>(SafeArray::kMaxElements)));
    EXPECT_FALSE(BoardValues::ArrayCanHold(static_cast<std::int64_t>(SafeArray::kMaxElements) + 1));
}

}  // namespace
