#pragma once

#include "configurator/DialogLayout.h"

#include <QDialog>

// The About box: icon, version line, one line of description and OK.
class CConfigAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CConfigAboutDlg(QWidget* parent = nullptr);

private:
    DialogLayout layout_;
};
