#pragma once

#include "configurator/DialogLayout.h"

#include <QDialog>

// The About box: icon, version line, one line of description and OK.
class CConfigAboutDlg : public QDialog {
    Q_OBJECT
public:
    // The program's version, as the box gives it ("Version 2.8") and --version.
    static constexpr const char* kVersion = "2.8";

    explicit CConfigAboutDlg(QWidget* parent = nullptr);

private:
    DialogLayout layout_;
};
