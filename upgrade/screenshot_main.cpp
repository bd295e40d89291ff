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
#include <utility>

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
    CPelloriAboutDlg about;

    int failures = 0;
    for (const auto& [window, name] : {std::pair<QWidget*, const char*>{&dialog, "pellori"}, {&about, "pellori-about"}}) {
        window->show();
        QApplication::processEvents();
        const QString path = folder.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
        const bool saved = window->grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
        failures += saved ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
