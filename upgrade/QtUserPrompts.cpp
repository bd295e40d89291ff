#include "upgrade/QtUserPrompts.h"

#include "upgrade/CPelloriAboutDlg.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

const QStringList& QtUserPrompts::FileFilters()
{
    static const QStringList filters{QStringLiteral("DSP Prog Files (*.bnm)"), QStringLiteral("All Files (*.*)")};
    return filters;
}

std::optional<QString> QtUserPrompts::ChooseProgramFile(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name typed for a file that does not exist is accepted: the server says what is wrong.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(FileFilters());
    dialog.setDefaultSuffix(QStringLiteral("bnm"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

void QtUserPrompts::ShowMessage(QWidget* parent, const QString& text, Icon icon)
{
    QMessageBox box(icon == Icon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QCoreApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

void QtUserPrompts::ShowAbout(QWidget* parent)
{
    CPelloriAboutDlg about(parent);
    about.exec();
}
