#include "configurator/QtUserInteraction.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon BoxIcon(UserInteraction::Icon icon)
{
    switch (icon) {
    case UserInteraction::Icon::Error:
        return QMessageBox::Critical;
    case UserInteraction::Icon::Exclamation:
        return QMessageBox::Warning;
    case UserInteraction::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Configuration files: "*.Q47" offered at first, ".Q47" added to a name typed without
// an extension.
QString ChooseConfigFile(QWidget* owner, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("Q47"));
    dialog.setNameFilter(QStringLiteral("*.Q47"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

}  // namespace

void QtUserInteraction::ShowMessage(QWidget* owner, const QString& text, Icon icon)
{
    QMessageBox box(BoxIcon(icon), QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    owner);
    box.exec();
}

QString QtUserInteraction::ChooseFileToOpen(QWidget* owner)
{
    return ChooseConfigFile(owner, QFileDialog::AcceptOpen);
}

QString QtUserInteraction::ChooseFileToSave(QWidget* owner)
{
    return ChooseConfigFile(owner, QFileDialog::AcceptSave);
}

int QtUserInteraction::RunModal(QDialog& dialog)
{
    return dialog.exec();
}
