#include "widgets/DialogUnits.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Font metrics need an application; one serves every test, on the offscreen platform
// unless the caller chose another.
class GuiApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "widgets-tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> application_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GuiApplicationEnvironment);

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
