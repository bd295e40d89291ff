// Renders the upgrade dialog and its About box to PNG files, for the documentation:
//   QT_QPA_PLATFORM=offscreen pellori_screenshot <folder>
// The dialog is shown as after a successful programming run, and the station window
// (pellori-station.png) with four slots in their states; no server is involved. Run it
// from the source folder, so that the station shows the sample image and its SHA-256.

#include "upgrade/CPelloriAboutDlg.h"
#include "upgrade/CPelloriDlg.h"
#include "upgrade/CStationWindow.h"
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

    BatchOptions station;
    station.ports = {"com1", "com2", "com3", "com4"};
    CStationWindow stationWindow(station, prompts);
    stationWindow.SetImage(QDir::current().absoluteFilePath(QStringLiteral("upgrade/samples/demo.bnm")));
    const auto slot = [](const char* port, StationSlot::State state, int passed, int failed, const char* last,
                         const char* error) {
        StationSlot::View view = StationSlot::View::Fresh(port);
        view.state = state;
        view.passed = passed;
        view.failed = failed;
        view.lastResult = last;
        view.lastError = error;
        return view;
    };
    stationWindow.ShowSlot(0, slot("com1", StationSlot::State::Passed, 12, 0, "passed", ""));
    StationSlot::View busy = slot("com2", StationSlot::State::Programming, 11, 1, "passed", "");
    busy.done = 14848;
    busy.total = 32768;
    stationWindow.ShowSlot(1, busy);
    stationWindow.ShowSlot(2, slot("com3", StationSlot::State::Failed, 10, 2, "failed", "No Response from Device"));
    stationWindow.ShowSlot(3, slot("com4", StationSlot::State::Waiting, 12, 0, "passed", ""));

    int failures = 0;
    const std::pair<QWidget*, const char*> windows[] = {
        {&dialog, "pellori"}, {&about, "pellori-about"}, {&stationWindow, "pellori-station"}};
    for (const auto& [window, name] : windows) {
        window->show();
        QApplication::processEvents();
        const QString path = folder.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
        const bool saved = window->grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
        failures += saved ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
