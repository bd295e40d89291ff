#include "configurator/DataExchange.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>

namespace {

QString FromLatin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToLatin1(const QString& text)
{
    return text.toLatin1().toStdString();
}

}  // namespace

DataExchange::DataExchange(Direction direction, UserInteraction& interaction, QWidget* owner,
                           Refusals refusals)
    : direction_(direction), interaction_(interaction), owner_(owner), refusals_(refusals)
{
}

QString DataExchange::RangeMessage(int min, int max)
{
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(min).arg(max);
}

QString DataExchange::IntegerMessage()
{
    return QStringLiteral("Please enter an integer.");
}

QString DataExchange::PositiveIntegerMessage()
{
    return QStringLiteral("Please enter a positive integer.");
}

QString DataExchange::TextLengthMessage(int maxChars)
{
    return QStringLiteral("Please enter no more than %1 characters.").arg(maxChars);
}

void DataExchange::Integer(QLineEdit* edit, int& value, int min, int max)
{
    ReadInteger(edit, value, min, max, true);
}

void DataExchange::Unsigned(QLineEdit* edit, int& value, int min, int max)
{
    ReadInteger(edit, value, min, max, false);
}

void DataExchange::ReadInteger(QLineEdit* edit, int& value, int min, int max, bool allowSign)
{
    if (Skip())
        return;
    if (!FromControls()) {
        edit->setText(QString::number(value));
        return;
    }
    const QString text = edit->text().trimmed();
    if (text == QString::number(value))
        return;
    const bool hasSign = text.startsWith(u'-') || text.startsWith(u'+');
    bool ok = false;
    const long long number = text.toLongLong(&ok, 10);
    if (!ok || (hasSign && !allowSign)) {
        Fail(edit, allowSign ? IntegerMessage() : PositiveIntegerMessage());
        return;
    }
    if (number < min || number > max) {
        Fail(edit, RangeMessage(min, max));
        return;
    }
    value = static_cast<int>(number);
}

void DataExchange::Check(QAbstractButton* box, int& value)
{
    if (Skip())
        return;
    if (FromControls())
        value = box->isChecked() ? 1 : 0;
    else
        box->setChecked(value != 0);
}

void DataExchange::Radio(QButtonGroup* group, int& value)
{
    if (Skip())
        return;
    if (FromControls()) {
        value = group->checkedId();
        return;
    }
    // An exclusive group will not let its checked button go; clearing needs it released.
    const bool exclusive = group->exclusive();
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(group->id(button) == value);
    group->setExclusive(exclusive);
}

void DataExchange::Text(QLineEdit* edit, std::string& value, int maxChars)
{
    if (Skip())
        return;
    if (!FromControls()) {
        edit->setText(FromLatin1(value));
        return;
    }
    const QString text = edit->text();
    if (text.size() > maxChars && text != FromLatin1(value)) {
        Fail(edit, TextLengthMessage(maxChars));
        return;
    }
    value = ToLatin1(text);
}

void DataExchange::ComboText(QComboBox* combo, std::string& value, int maxChars)
{
    if (Skip())
        return;
    if (!FromControls()) {
        const QString text = FromLatin1(value);
        if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
        return;
    }
    const QString text = combo->currentText();
    if (maxChars >= 0 && text.size() > maxChars && text != FromLatin1(value)) {
        Fail(combo, TextLengthMessage(maxChars));
        return;
    }
    value = ToLatin1(text);
}

void DataExchange::Fail(QWidget* control, const QString& message)
{
    if (!control->isEnabled())
        return;
    failed_ = true;
    refused_ = {control, message};
    if (refusals_ == Refusals::Report)
        Report(interaction_, owner_, refused_);
}

void DataExchange::Report(UserInteraction& interaction, QWidget* owner, const Refusal& refusal)
{
    interaction.ShowMessage(owner, refusal.message, UserInteraction::Icon::Exclamation);
    QWidget* control = refusal.control;
    if (control == nullptr || !control->isEnabled())
        return;
    control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->selectAll();
}
