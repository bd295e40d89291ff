#pragma once

#include "upgrade/CPelloriDlg.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/tests/PelloriBus.h"
#include "upgrade/tests/ScriptedPrompts.h"

#include <memory>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

// The upgrade dialog on the test's bus, its modal windows answered by a script.
class PelloriDialogFixture : public PelloriBus {
protected:
    void TearDown() override;

    // The dialog and its driver, before the start-up.
    void MakeDialog();
    // The dialog shown, with its start-up done.
    void Open();
    // The same against the fake server, registered, on a bus started for the test.
    void OpenOnFakeServer();

    QPushButton* Button(int id);
    QComboBox* BaudList();
    QPlainTextEdit* StatusBox();
    void Click(int id);
    // Clicks a button whose command asks for a file, choosing `file` in the file dialog.
    void ClickChoosing(int id, const QString& file);

    ScriptedPrompts prompts_;
    std::unique_ptr<QDBusConnection> connection_;
    std::unique_ptr<Ez2181Driver> driver_;
    std::unique_ptr<CPelloriDlg> dialog_;
};
