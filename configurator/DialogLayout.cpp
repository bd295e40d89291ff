#include "configurator/DialogLayout.h"

#include "configurator/LeftTextCheckBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

DialogLayout::DialogLayout(QDialog* dialog, const QString& title, int width, int height)
    : dialog_(dialog), units_(DialogUnits::DialogFont())
{
    dialog_->setFont(DialogUnits::DialogFont());
    dialog_->setWindowTitle(title);
    dialog_->setFixedSize(units_.X(width), units_.Y(height));
}

void DialogLayout::Place(QWidget* control, int x, int y, int width, int height)
{
    control->setParent(dialog_);
    control->setGeometry(units_.Rect(x, y, width, height));
}

void DialogLayout::PlaceNamed(QWidget* control, const QString& name, int x, int y, int width,
                              int height)
{
    control->setObjectName(name);
    Place(control, x, y, width, height);
}

QLabel* DialogLayout::Label(const QString& text, int x, int y, int width, int height)
{
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    Place(label, x, y, width, height);
    return label;
}

QLabel* DialogLayout::CentredLabel(const QString& text, int x, int y, int width, int height)
{
    QLabel* label = Label(text, x, y, width, height);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

QGroupBox* DialogLayout::Group(const QString& title, int x, int y, int width, int height)
{
    auto* group = new QGroupBox(title);
    Place(group, x, y, width, height);
    return group;
}

QLineEdit* DialogLayout::Edit(const QString& name, int x, int y, int width, int height)
{
    auto* edit = new QLineEdit;
    PlaceNamed(edit, name, x, y, width, height);
    return edit;
}

QLineEdit* DialogLayout::EditRow(const QString& caption, const QString& name, int x, int y,
                                 int labelWidth, int editWidth, const QString& unit)
{
    Label(caption, x, y + 2, labelWidth, 10);
    const int editX = x + labelWidth + 2;
    QLineEdit* edit = Edit(name, editX, y, editWidth);
    if (!unit.isEmpty())
        Label(unit, editX + editWidth + 3, y + 2, 24, 10);
    return edit;
}

QCheckBox* DialogLayout::Check(const QString& text, const QString& name, int x, int y, int width,
                               int height)
{
    auto* box = new QCheckBox(text);
    PlaceNamed(box, name, x, y, width, height);
    return box;
}

QCheckBox* DialogLayout::LeftTextCheck(const QString& text, const QString& name, int x, int y,
                                       int width, int height)
{
    auto* box = new LeftTextCheckBox(text);
    PlaceNamed(box, name, x, y, width, height);
    return box;
}

QRadioButton* DialogLayout::Radio(QButtonGroup* group, const QString& text, const QString& name,
                                  int x, int y, int width, int height)
{
    auto* button = new QRadioButton(text);
    group->addButton(button, static_cast<int>(group->buttons().size()));
    PlaceNamed(button, name, x, y, width, height);
    return button;
}

QPushButton* DialogLayout::Button(const QString& text, int x, int y, int width, int height)
{
    auto* button = new QPushButton(text);
    button->setAutoDefault(false);
    Place(button, x, y, width, height);
    return button;
}

QComboBox* DialogLayout::Combo(const QStringList& items, bool editable, const QString& name, int x,
                               int y, int width, int height)
{
    auto* combo = new QComboBox;
    combo->setEditable(editable);
    if (editable) {
        combo->setInsertPolicy(QComboBox::NoInsert);
        // Texts that differ in case are different values ("r01" is not relay "R01"):
        // completion and the match made when the field is left keep the case typed.
        combo->completer()->setCaseSensitivity(Qt::CaseSensitive);
    }
    combo->addItems(items);
    PlaceNamed(combo, name, x, y, width, height);
    return combo;
}

QScrollBar* DialogLayout::VerticalScrollBar(int x, int y, int width, int height)
{
    auto* bar = new QScrollBar(Qt::Vertical);
    Place(bar, x, y, width, height);
    return bar;
}
