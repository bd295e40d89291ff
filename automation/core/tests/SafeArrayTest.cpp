#include <gtest/gtest.h>

#include <stdexcept>

#include "automation/core/SafeArray.h"

TEST(SafeArray, VectorHasLowerBoundZeroAndDefaultElements)
{
    const SafeArray a = SafeArray::Vector(VT_I4, 3);
    EXPECT_EQ(a.elementType(), VT_I4);
    ASSERT_EQ(a.dims().size(), 1u);
    EXPECT_EQ(a.dims()[0], (SafeArray::Bound{3, 0}));
    EXPECT_TRUE(a.IsVector());
    EXPECT_EQ(a.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(a.at(i), Variant::I4(0));
}

TEST(SafeArray, DefaultElementsMatchTheElementType)
{
    EXPECT_EQ(SafeArray::Vector(VT_BSTR, 1).at(0), Variant::Bstr(""));
    EXPECT_EQ(SafeArray::Vector(VT_VARIANT, 1).at(0), Variant());
    EXPECT_EQ(SafeArray::Vector(VT_R8, 1).at(0), Variant::R8(0));
}

TEST(SafeArray, KeepsDimensionsAndLowerBounds)
{
    auto a = SafeArray::Create(VT_I2, {{2, 1}, {3, -4}});
    ASSERT_TRUE(a);
    EXPECT_EQ(a->size(), 6u);
    EXPECT_EQ(a->dimCount(), 2u);
    EXPECT_EQ(a->dims()[0], (SafeArray::Bound{2, 1}));
    EXPECT_EQ(a->dims()[1], (SafeArray::Bound{3, -4}));
    EXPECT_FALSE(a->IsVector());
    EXPECT_FALSE(a->HasZeroLowerBounds());
}

TEST(SafeArray, EmptyDimensionGivesNoElements)
{
    auto a = SafeArray::Create(VT_UI1, {{0, 0}});
    ASSERT_TRUE(a);
    EXPECT_EQ(a->size(), 0u);
    EXPECT_THROW((void)a->at(0), std::out_of_range);
}

TEST(SafeArray, RefusesBadElementTypes)
{
    EXPECT_FALSE(SafeArray::Create(VT_EMPTY, {{1, 0}}));
    EXPECT_FALSE(SafeArray::Create(VT_NULL, {{1, 0}}));
    EXPECT_FALSE(SafeArray::Create(VT_ARRAY | VT_I4, {{1, 0}}));
    EXPECT_FALSE(SafeArray::Create(VT_BYREF | VT_I4, {{1, 0}}));
    EXPECT_FALSE(SafeArray::Create(static_cast<VarType>(77), {{1, 0}}));
    EXPECT_THROW(SafeArray::Vector(VT_EMPTY, 1), std::length_error);
}

TEST(SafeArray, RefusesHugeOrMissingDimensions)
{
    EXPECT_FALSE(SafeArray::Create(VT_UI1, {}));
    EXPECT_FALSE(SafeArray::Create(VT_UI1, {{0xFFFFFFFFu, 0}}));
    // Each dimension is small, the product is not.
    EXPECT_FALSE(SafeArray::Create(VT_UI1, {{65536, 0}, {65536, 0}, {65536, 0}}));
    EXPECT_FALSE(SafeArray::Create(VT_UI1, std::vector<SafeArray::Bound>(SafeArray::kMaxDims + 1, {1, 0})));
    EXPECT_TRUE(SafeArray::Create(VT_UI1, std::vector<SafeArray::Bound>(SafeArray::kMaxDims, {1, 0})));
    EXPECT_THROW(SafeArray::Vector(VT_UI1, SafeArray::kMaxElements + 1), std::length_error);
}

TEST(SafeArray, SetChecksIndexAndType)
{
    SafeArray a = SafeArray::Vector(VT_I4, 2);
    EXPECT_TRUE(a.set(1, Variant::I4(7)));
    EXPECT_FALSE(a.set(2, Variant::I4(7)));
    EXPECT_FALSE(a.set(0, Variant::I2(7)));
    EXPECT_FALSE(a.set(0, Variant::Bstr("7")));
    EXPECT_EQ(a.at(0), Variant::I4(0));
    EXPECT_EQ(a.at(1), Variant::I4(7));
}

TEST(SafeArray, VariantArraysTakeAnythingButReferences)
{
    SafeArray a = SafeArray::Vector(VT_VARIANT, 3);
    EXPECT_TRUE(a.set(0, Variant::Bstr("x")));
    EXPECT_TRUE(a.set(1, Variant::Array(SafeArray::Vector(VT_I2, 1))));
    Variant target;
    EXPECT_FALSE(a.set(2, Variant::ByRef(&target)));
    EXPECT_EQ(a.at(2), Variant());
}

TEST(SafeArray, FromElementsChecksEveryElement)
{
    auto good = SafeArray::FromElements(VT_UI1, {Variant::UI1(1), Variant::UI1(2)});
    ASSERT_TRUE(good);
    EXPECT_EQ(good->size(), 2u);
    EXPECT_EQ(good->at(1), Variant::UI1(2));
    EXPECT_FALSE(SafeArray::FromElements(VT_UI1, {Variant::UI1(1), Variant::I4(2)}));
}

TEST(SafeArray, EqualityComparesDimsAndElements)
{
    auto a = SafeArray::Create(VT_I4, {{2, 0}});
    auto b = SafeArray::Create(VT_I4, {{2, 1}});
    EXPECT_NE(*a, *b);
    auto c = SafeArray::Create(VT_I4, {{2, 0}});
    EXPECT_EQ(*a, *c);
    c->set(0, Variant::I4(1));
    EXPECT_NE(*a, *c);
}
