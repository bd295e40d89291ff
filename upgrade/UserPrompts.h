#pragma once

#include <QString>

#include <optional>

class QWidget;

// The modal windows the upgrade dialog opens over itself: the file choice,
// message boxes and the About box. Tests answer them without a window.
class UserPrompts {
public:
    enum class Icon { None,
                      Stop };

    virtual ~UserPrompts() = default;

    // The full path of the program file the user chose, nullopt if cancelled.
    // The file need not exist.
    virtual std::optional<QString> ChooseProgramFile(QWidget* parent) = 0;
    virtual void ShowMessage(QWidget* parent, const QString& text, Icon icon) = 0;
    virtual void ShowAbout(QWidget* parent) = 0;
};
