#pragma once

#include <QDialog>

// The About box: the application icon, the name and version, and OK.
class CPelloriAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPelloriAboutDlg(QWidget* parent = nullptr);
};
