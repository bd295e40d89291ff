#pragma once

#include "configurator/CLookupDlg.h"

// The CTCSS tone numbers 1-64 and their frequencies in hertz.
class CCtcssLookupDlg : public CLookupDlg {
    Q_OBJECT
public:
    explicit CCtcssLookupDlg(QWidget* parent = nullptr);

    // The header and 16 lines of four number-frequency pairs: n, n + 16, n + 32, n + 48.
    static QStringList Lines();
};
