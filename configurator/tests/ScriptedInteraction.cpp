#include "configurator/tests/ScriptedInteraction.h"

#include <QApplication>
#include <QDialog>

void ScriptedInteraction::ShowMessage(QWidget*, const QString& text, Icon icon)
{
    messages.push_back({text, icon});
}

QString ScriptedInteraction::ChooseFileToOpen(QWidget*)
{
    ++openRequests;
    return filesToOpen.isEmpty() ? QString() : filesToOpen.takeFirst();
}

QString ScriptedInteraction::ChooseFileToSave(QWidget*)
{
    ++saveRequests;
    return filesToSave.isEmpty() ? QString() : filesToSave.takeFirst();
}

int ScriptedInteraction::RunModal(QDialog& dialog)
{
    dialogsRun << dialog.windowTitle();
    dialog.show();
    QApplication::processEvents();
    if (onDialog)
        onDialog(dialog);
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}
