// Renders the upgrade dialog and its About box to PNG files, for the documentation:
//   QT_QPA_PLATFORM=offscreen pellori_screenshot <folder>
// The dialog is shown as after a successful programming run; no server is involved.

#include "upgrade/CPelloriAboutDlg.h"
#include "upgrade/CPelloriDlg.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/QtUserPrompts.h"
#include "upgrade/StatusTexts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>

#include <cstdio>

namespace {

bool Save(QWidget& window, const QDir& folder, const QString& name)
{
    window.show();
    QApplication::processEvents();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    window.hide();
    return saved;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellori"));
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!folder.exists() && !QDir().mkpath(folder.path())) return 1;

    Ez2181Driver driver;
    QtUserPrompts prompts;
    CPelloriDlg dialog(driver, prompts);
    dialog.findChild<QComboBox*>(QStringLiteral("id1001"))->setCurrentIndex(0);
    dialog.findChild<QPlainTextEdit*>(QStringLiteral("id1003"))->setPlainText(QString::fromLatin1(StatusTexts::kProgrammed));
    bool ok = Save(dialog, folder, QStringLiteral("pellori"));
    CPelloriAboutDlg about;
    ok &= Save(about, folder, QStringLiteral("pellori-about"));
    return ok ? 0 : 1;
}
