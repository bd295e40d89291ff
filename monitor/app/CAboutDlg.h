#pragma once

#include <QDialog>

class QPushButton;

// The About box: the program's icon, "Varnix Version 1.6" and a default OK
// button, laid out in dialog units (235 x 55) of 8-point "MS Sans Serif".
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QPushButton* OkButton() const { return ok_; }

private:
    QPushButton* ok_;
};
