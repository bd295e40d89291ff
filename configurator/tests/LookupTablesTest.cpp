#include "configurator/CConfigAboutDlg.h"
#include "configurator/CCtcssLookupDlg.h"
#include "configurator/CDigitalIoLookupDlg.h"
#include "configurator/tests/Widgets.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(LookupTablesTest, CtcssTableLineForLine)
{
    const QStringList expected{
        "#\tFreq\t#\tFreq\t#\tFreq\t#\tFreq",
        "1\t33.0\t17\t71.9\t33\t123.0\t49\t183.5",
        "2\t35.4\t18\t74.4\t34\t127.3\t50\t186.2",
        "3\t36.6\t19\t77.0\t35\t131.8\t51\t189.9",
        "4\t37.9\t20\t79.7\t36\t136.5\t52\t192.8",
        "5\t39.6\t21\t82.5\t37\t141.3\t53\t196.6",
        "6\t44.4\t22\t85.4\t38\t146.2\t54\t199.5",
        "7\t47.5\t23\t88.5\t39\t151.4\t55\t203.5",
        "8\t49.2\t24\t91.5\t40\t156.7\t56\t206.5",
        "9\t51.2\t25\t94.8\t41\t159.8\t57\t210.7",
        "10\t53.0\t26\t97.4\t42\t162.2\t58\t218.1",
        "11\t54.9\t27\t100.0\t43\t165.5\t59\t225.7",
        "12\t56.8\t28\t103.5\t44\t167.9\t60\t229.1",
        "13\t58.8\t29\t107.2\t45\t171.3\t61\t233.6",
        "14\t63.0\t30\t110.9\t46\t173.8\t62\t241.8",
        "15\t67.0\t31\t114.8\t47\t177.3\t63\t250.3",
        "16\t69.4\t32\t118.8\t48\t179.9\t64\t254.1",
    };
    EXPECT_EQ(CCtcssLookupDlg::Lines(), expected);
    CCtcssLookupDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("CTCSS Lookup"));
    EXPECT_EQ(dialog.ShownLines(), expected);
}

TEST(LookupTablesTest, DigitalIoTableLineForLine)
{
    const QStringList lines = CDigitalIoLookupDlg::Lines();
    ASSERT_EQ(lines.size(), 34);
    EXPECT_EQ(lines[0], QStringLiteral("VALUE\tD5\tD4\tD3\tD2\tD1\tD0\tVALUE\tD5\tD4\tD3\tD2\tD1\tD0"));
    EXPECT_EQ(lines[1], QStringLiteral("0\tL\tL\tL\tL\tL\tL\t32\tH\tL\tL\tL\tL\tL"));
    EXPECT_EQ(lines[6], QStringLiteral("5\tL\tL\tL\tH\tL\tH\t37\tH\tL\tL\tH\tL\tH"));
    EXPECT_EQ(lines[22], QStringLiteral("21\tL\tH\tL\tH\tL\tH\t53\tH\tH\tL\tH\tL\tH"));
    EXPECT_EQ(lines[32], QStringLiteral("31\tL\tH\tH\tH\tH\tH\t63\tH\tH\tH\tH\tH\tH"));
    EXPECT_EQ(lines[33], QStringLiteral("64   No Digital Output Change"));

    // Every value 0-63 appears once, with its six outputs.
    QList<int> seen;
    for (int line = 1; line <= 32; ++line) {
        const QStringList columns = lines[line].split(u'\t');
        ASSERT_EQ(columns.size(), 14);
        for (int half = 0; half < 2; ++half) {
            const int value = columns[half * 7].toInt();
            seen << value;
            for (int bit = 5; bit >= 0; --bit)
                EXPECT_EQ(columns[half * 7 + 6 - bit], (value >> bit) & 1 ? "H" : "L") << value;
        }
    }
    std::sort(seen.begin(), seen.end());
    for (int value = 0; value < 64; ++value)
        EXPECT_EQ(seen[value], value);

    CDigitalIoLookupDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Digital I/O Lookup Table"));
    EXPECT_EQ(dialog.ShownLines(), lines);
}

TEST(LookupTablesTest, CloseEndsTheDialog)
{
    CCtcssLookupDlg dialog;
    dialog.show();
    auto* close = Child<QPushButton>(dialog, QStringLiteral("close"));
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    close->click();
    EXPECT_FALSE(dialog.isVisible());
}

TEST(LookupTablesTest, AboutBoxShowsTheVersion)
{
    CConfigAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About DSP-Q47"));
    bool versionShown = false;
    for (QLabel* label : about.findChildren<QLabel*>())
        versionShown |= label->text() == QStringLiteral("DSP-Q47 Setup Application Version 2.8");
    EXPECT_TRUE(versionShown);
    about.show();
    Child<QPushButton>(about, QStringLiteral("ok"))->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
