#pragma once

#include "configurator/UserInteraction.h"

// The real windows: QMessageBox, QFileDialog and QDialog::exec().
class QtUserInteraction : public UserInteraction {
public:
    void ShowMessage(QWidget* owner, const QString& text, Icon icon) override;
    QString ChooseFileToOpen(QWidget* owner) override;
    QString ChooseFileToSave(QWidget* owner) override;
    int RunModal(QDialog& dialog) override;
};
