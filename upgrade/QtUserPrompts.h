#pragma once

#include "upgrade/UserPrompts.h"

// The prompts as real modal windows: a file-open dialog, message boxes with
// an OK button, the About box.
class QtUserPrompts : public UserPrompts {
public:
    // The file dialog's filter: DSP program files first, then all files.
    static const QStringList& FileFilters();

    std::optional<QString> ChooseProgramFile(QWidget* parent) override;
    void ShowMessage(QWidget* parent, const QString& text, Icon icon) override;
    void ShowAbout(QWidget* parent) override;
};
