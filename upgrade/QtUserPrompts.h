#pragma once

#include "upgrade/UserPrompts.h"

// The prompts as real modal windows: a file-open dialog, message boxes with
// an OK button, the About box.
class QtUserPrompts : public UserPrompts {
public:
    // The file dialog's filters, DSP program files first, then all files.
    // The dialog hides the last parentheses, which hold the patterns it lists
    // by, and shows the caption before them ("*.*" as a pattern would list
    // only names with a dot).
    static const QStringList& FileFilters();

    // The path a confirmed name stands for: a name that exists as it is;
    // otherwise, when it has no extension, with ".bnm" added.
    static QString ProgramFilePath(const QString& chosen);

    std::optional<QString> ChooseProgramFile(QWidget* parent) override;
    void ShowMessage(QWidget* parent, const QString& text, Icon icon) override;
    void ShowAbout(QWidget* parent) override;
};
