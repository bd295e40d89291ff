#include "configurator/CConfigAboutDlg.h"
#include "configurator/CConfiguratorApp.h"
#include "configurator/CommandLine.h"
#include "platform/ProgramInfo.h"
#include "widgets/DisplayPresence.h"

#include <QApplication>

#include <iostream>
#include <string>

int main(int argc, char* argv[])
{
    // Answered before Qt starts: no display is needed for them.
    const std::string first = argc == 2 ? argv[1] : "";
    if (first == "--help" || first == "-h" || first == "--version") {
        std::cout << (first == "--version" ? ProgramInfo::VersionText("dspq47", CConfigAboutDlg::kVersion) : CommandLine::DialogHelp());
        return 0;
    }
    if (!DisplayPresence::Available()) {
        std::cerr << "dspq47: there is no display to show the dialog on; dspq47-cli needs none (dspq47 --help)\n";
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dspQ47"));
    CConfiguratorApp configurator;
    return configurator.Run();
}
