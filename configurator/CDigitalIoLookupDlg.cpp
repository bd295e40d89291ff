#include "configurator/CDigitalIoLookupDlg.h"

namespace {

// The value and its outputs D5...D0: H for a set bit, L for a clear one.
QStringList ValueColumns(int value)
{
    QStringList columns{QString::number(value)};
    for (int bit = 5; bit >= 0; --bit)
        columns << ((value >> bit) & 1 ? QStringLiteral("H") : QStringLiteral("L"));
    return columns;
}

}  // namespace

CDigitalIoLookupDlg::CDigitalIoLookupDlg(QWidget* parent)
    : CLookupDlg(parent, QStringLiteral("Digital I/O Lookup Table"), 376, 353, Lines(), 25, true)
{
}

QStringList CDigitalIoLookupDlg::Lines()
{
    QStringList lines{
        QStringLiteral("VALUE\tD5\tD4\tD3\tD2\tD1\tD0\tVALUE\tD5\tD4\tD3\tD2\tD1\tD0")};
    for (int value = 0; value < 32; ++value)
        lines << (ValueColumns(value) + ValueColumns(value + 32)).join(u'\t');
    lines << QStringLiteral("64   No Digital Output Change");
    return lines;
}
