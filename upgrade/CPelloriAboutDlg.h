#pragma once

#include <QDialog>

// The About box: the application icon, the name and version, and OK.
class CPelloriAboutDlg : public QDialog {
    Q_OBJECT

public:
    // The program's version, as the box gives it ("Version 1.2") and --version.
    static constexpr const char* kVersion = "1.2";

    explicit CPelloriAboutDlg(QWidget* parent = nullptr);
};
