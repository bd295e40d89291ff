#pragma once

#include "configurator/UserInteraction.h"

#include <QStringList>

#include <functional>
#include <vector>

// Answers the dialogs' questions from a script and records what was shown, so that no
// test waits on a modal window. A dialog run modally is shown, handed to `onDialog`
// (which clicks its buttons) and then given up as cancelled if it is still open.
class ScriptedInteraction : public UserInteraction {
public:
    struct Message {
        QString text;
        Icon icon;
        bool operator==(const Message&) const = default;
    };

    void ShowMessage(QWidget* owner, const QString& text, Icon icon) override;
    QString ChooseFileToOpen(QWidget* owner) override;
    QString ChooseFileToSave(QWidget* owner) override;
    int RunModal(QDialog& dialog) override;

    std::vector<Message> messages;
    // Titles of the dialogs run, in order.
    QStringList dialogsRun;
    // Next answers of the file dialogs; an empty list or text cancels.
    QStringList filesToOpen;
    QStringList filesToSave;
    int openRequests = 0;
    int saveRequests = 0;
    std::function<void(QDialog&)> onDialog;
};
