#include "configurator/CCtcssLookupDlg.h"

#include <array>

namespace {

// Frequencies of tones 1...64 in tenths of a hertz.
constexpr std::array<int, 64> kToneTenthsHz = {
    330,
    354,
    366,
    379,
    396,
    444,
    475,
    492,
    512,
    530,
    549,
    568,
    588,
    630,
    670,
    694,
    719,
    744,
    770,
    797,
    825,
    854,
    885,
    915,
    948,
    974,
    1000,
    1035,
    1072,
    1109,
    1148,
    1188,
    1230,
    1273,
    1318,
    1365,
    1413,
    1462,
    1514,
    1567,
    1598,
    1622,
    1655,
    1679,
    1713,
    1738,
    1773,
    1799,
    1835,
    1862,
    1899,
    1928,
    1966,
    1995,
    2035,
    2065,
    2107,
    2181,
    2257,
    2291,
    2336,
    2418,
    2503,
    2541,
};

QString Frequency(int tone)
{
    const int tenths = kToneTenthsHz[static_cast<std::size_t>(tone - 1)];
    return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
}

}  // namespace

CCtcssLookupDlg::CCtcssLookupDlg(QWidget* parent)
    : CLookupDlg(parent, QStringLiteral("CTCSS Lookup"), 225, 215, Lines(), 26, false)
{
}

QStringList CCtcssLookupDlg::Lines()
{
    QStringList lines{QStringLiteral("#\tFreq\t#\tFreq\t#\tFreq\t#\tFreq")};
    for (int n = 1; n <= 16; ++n) {
        QStringList pairs;
        for (int tone = n; tone <= 64; tone += 16)
            pairs << QString::number(tone) << Frequency(tone);
        lines << pairs.join(u'\t');
    }
    return lines;
}
