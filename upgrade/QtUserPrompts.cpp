#include "upgrade/QtUserPrompts.h"

#include "upgrade/CPelloriAboutDlg.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

const QStringList& QtUserPrompts::FileFilters()
{
    static const QStringList filters{QStringLiteral("DSP Prog Files (*.bnm) (*.bnm)"),
                                     QStringLiteral("All Files (*.*) (*)")};
    return filters;
}

QString QtUserPrompts::ProgramFilePath(const QString& chosen)
{
    const QFileInfo file(chosen);
    if (file.exists() || file.fileName().contains(QLatin1Char('.'))) return file.absoluteFilePath();
    return file.absoluteFilePath() + QStringLiteral(".bnm");
}

std::optional<QString> QtUserPrompts::ChooseProgramFile(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name typed for a file that does not exist is accepted: the server says what is wrong.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(FileFilters());
    // No default suffix for the dialog: it would add ".bnm" to the name of a
    // file that exists without one.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ProgramFilePath(dialog.selectedFiles().constFirst());
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
