#pragma once

#include "widgets/DialogUnits.h"

#include <QString>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QWidget;

// Places the controls of a dialog at positions given in dialog units, as a dialog
// template does. Sets the dialog font and the dialog's fixed size.
class DialogLayout {
public:
    DialogLayout(QDialog* dialog, const QString& title, int width, int height);

    const DialogUnits& Units() const { return units_; }

    QLabel* Label(const QString& text, int x, int y, int width, int height);
    QLabel* CentredLabel(const QString& text, int x, int y, int width, int height);
    QGroupBox* Group(const QString& title, int x, int y, int width, int height);
    // The controls below are named `name` (QObject::objectName), as every control that
    // holds a value is.
    QLineEdit* Edit(const QString& name, int x, int y, int width, int height = 12);
    // A caption, an edit named `name` right of it and, if given, a unit right of the edit.
    QLineEdit* EditRow(const QString& caption, const QString& name, int x, int y, int labelWidth,
                       int editWidth, const QString& unit = {});
    QCheckBox* Check(const QString& text, const QString& name, int x, int y, int width,
                     int height = 10);
    QCheckBox* LeftTextCheck(const QString& text, const QString& name, int x, int y, int width,
                             int height = 10);
    // A radio button joining `group` with the next free id (0, 1, 2, ... in creation order).
    QRadioButton* Radio(QButtonGroup* group, const QString& text, const QString& name, int x,
                        int y, int width, int height = 10);
    QPushButton* Button(const QString& text, int x, int y, int width, int height = 14);
    QComboBox* Combo(const QStringList& items, bool editable, const QString& name, int x, int y,
                     int width, int height = 12);
    QScrollBar* VerticalScrollBar(int x, int y, int width, int height);

    // Puts an already made control under the dialog at the given place.
    void Place(QWidget* control, int x, int y, int width, int height);

private:
    void PlaceNamed(QWidget* control, const QString& name, int x, int y, int width, int height);

    QDialog* dialog_;
    DialogUnits units_;
};
