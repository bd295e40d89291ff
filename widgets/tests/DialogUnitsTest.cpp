#include "widgets/DialogUnits.h"
#include "widgets/tests/QtTestEnvironment.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

namespace {

// Font metrics need an application.
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtTestEnvironment);

TEST(DialogUnitsTest, DialogFontIsEightPointMsSansSerif)
{
    const QFont font = DialogUnits::DialogFont();
    EXPECT_EQ(font.family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(font.pointSize(), 8);
}

TEST(DialogUnitsTest, BaseUnitsComeFromTheAlphabetWidthAndTheFontHeight)
{
    const QFont font = DialogUnits::DialogFont();
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const DialogUnits units(font);
    EXPECT_EQ(units.BaseWidth(), (alphabet / 26 + 1) / 2);
    EXPECT_EQ(units.BaseHeight(), metrics.height());
}

TEST(DialogUnitsTest, ConvertsWithRoundingAndBothCornersOfARectangle)
{
    const DialogUnits units(DialogUnits::DialogFont());
    const int bx = units.BaseWidth();
    const int by = units.BaseHeight();
    EXPECT_EQ(units.X(4), bx);
    EXPECT_EQ(units.Y(8), by);
    EXPECT_EQ(units.X(394), (394 * bx + 2) / 4);
    EXPECT_EQ(units.Y(277), (277 * by + 4) / 8);
    const QRect rect = units.Rect(11, 84, 22, 12);
    EXPECT_EQ(rect.left(), units.X(11));
    EXPECT_EQ(rect.top(), units.Y(84));
    EXPECT_EQ(rect.right() + 1, units.X(33));
    EXPECT_EQ(rect.bottom() + 1, units.Y(96));
}

}  // namespace
