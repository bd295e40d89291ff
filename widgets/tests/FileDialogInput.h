#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;

// Real keyboard input for the Qt file dialog (not the platform's own) that
// a program opens modally: pick a filter, read what is listed, type a name
// and Enter.
class FileDialogInput {
public:
    explicit FileDialogInput(QFileDialog& dialog) : dialog_(dialog) {}

    // Runs `withDialog` on the file dialog once the next modal dialog opens
    // (call before the action that opens it). If the dialog is still open
    // afterwards, it is cancelled, so that a failed check never hangs a test.
    static void WhenOpen(std::function<void(FileDialogInput&)> withDialog);

    // Setting up: shows `folder` and waits until it lists a name (the folder
    // must hold one that the current filter lists).
    bool ShowFolder(const QString& folder);
    // Keys on the filter list (End picks the last filter, Home the first);
    // waits up to 5 s for the list of names to change, and says whether it did.
    bool PressOnFilters(int key);
    // The captions of the filter list.
    QStringList FilterCaptions() const;
    // The names listed in the current folder that can be chosen.
    QStringList Listed() const;
    // Types `name` and Enter into the name field.
    void Type(const QString& name);

private:
    QFileDialog& dialog_;
};
