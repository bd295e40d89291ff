#pragma once

#include "configurator/UserInteraction.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <string>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLineEdit;

// Moves values between a dialog's controls and the variables bound to them, in one
// direction per exchange. Taking values from the controls checks each value as it is
// read; the first bad value is refused: it is reported with the standard message and
// gets the focus (unless the exchange is quiet, which leaves that to the caller), and it
// ends the exchange: later controls are not read and Failed() turns true.
// Only what the user typed is checked: a control that still shows the value it was given
// keeps that value as it is, in range or not, since values from a file or from the unit
// are taken without range checks. A disabled control is never refused, as the user could
// not mend it; a bad text there leaves its value unchanged. Texts are 8-bit (Latin-1), as
// the unit and the configuration file hold them.
class DataExchange {
public:
    enum class Direction { ToControls,
                           FromControls };
    enum class Refusals { Report,
                          Quiet };

    // A refused value: its control and the message that tells the user why.
    struct Refusal {
        QPointer<QWidget> control;
        QString message;
    };

    DataExchange(Direction direction, UserInteraction& interaction, QWidget* owner,
                 Refusals refusals = Refusals::Report);

    bool FromControls() const { return direction_ == Direction::FromControls; }
    bool Failed() const { return failed_; }
    const Refusal& Refused() const { return refused_; }

    // Shows the refusal's message and puts the focus on its control, if that can still
    // take it.
    static void Report(UserInteraction& interaction, QWidget* owner, const Refusal& refusal);

    // A signed decimal integer that must lie in min...max.
    void Integer(QLineEdit* edit, int& value, int min, int max);
    // An unsigned decimal integer (no sign allowed) that must lie in min...max.
    void Unsigned(QLineEdit* edit, int& value, int min, int max);
    // A check box: 1 when checked, 0 when not; any non-zero value shows it checked.
    void Check(QAbstractButton* box, int& value);
    // Radio buttons: the id of the checked button, -1 when none is; a value that names
    // no button clears them all.
    void Radio(QButtonGroup* group, int& value);
    // An edit's text of at most maxChars characters.
    void Text(QLineEdit* edit, std::string& value, int maxChars);
    // A combo box's text; maxChars < 0 sets no limit. Shown as typed in an editable
    // combo box; a drop-down list selects the item equal to the value.
    void ComboText(QComboBox* combo, std::string& value, int maxChars = -1);

    static QString RangeMessage(int min, int max);
    static QString IntegerMessage();
    static QString PositiveIntegerMessage();
    static QString TextLengthMessage(int maxChars);

private:
    bool Skip() const { return failed_; }
    // Refuses the value of `control`; a disabled control's value is left as it was instead.
    void Fail(QWidget* control, const QString& message);
    void ReadInteger(QLineEdit* edit, int& value, int min, int max, bool allowSign);

    Direction direction_;
    UserInteraction& interaction_;
    QWidget* owner_;
    Refusals refusals_;
    bool failed_ = false;
    Refusal refused_;
};
