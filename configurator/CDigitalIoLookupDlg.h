#pragma once

#include "configurator/CLookupDlg.h"

// The digital output values 0-63 with the level of each output D5...D0, and 64.
class CDigitalIoLookupDlg : public CLookupDlg {
    Q_OBJECT
public:
    explicit CDigitalIoLookupDlg(QWidget* parent = nullptr);

    // The header, 32 lines for v and v + 32 (v = 0...31), and the line for 64.
    static QStringList Lines();
};
