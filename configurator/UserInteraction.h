#pragma once

#include <QString>

class QDialog;
class QWidget;

// Everything the configurator's dialogs ask of the user through modal windows: message
// boxes, the file choice and the modal run of a sub-dialog. The program uses
// QtUserInteraction; tests hand in a script that answers without blocking.
class UserInteraction {
public:
    enum class Icon { None,
                      Error,
                      Exclamation };

    virtual ~UserInteraction() = default;

    // A modal message box owned by `owner` with a single OK button.
    virtual void ShowMessage(QWidget* owner, const QString& text, Icon icon) = 0;

    // The path the user chose, or an empty text when the file dialog was cancelled.
    virtual QString ChooseFileToOpen(QWidget* owner) = 0;
    virtual QString ChooseFileToSave(QWidget* owner) = 0;

    // Runs `dialog` modally; returns its result (QDialog::Accepted or Rejected).
    virtual int RunModal(QDialog& dialog) = 0;
};
