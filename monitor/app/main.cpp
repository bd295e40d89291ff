// The varnix monitor server. See CVarnixApp for what the command line does,
// and `varnix --help`.
#include "monitor/app/CVarnixApp.h"
#include "monitor/app/CommandLineInfo.h"
#include "monitor/app/MessageBoxNotifier.h"
#include "monitor/app/VarnixResources.h"
#include "platform/ProgramInfo.h"
#include "widgets/DisplayPresence.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLineInfo commandLine = CommandLineInfo::Parse(arguments);
    if (!commandLine.unknownSwitch.isEmpty() && !commandLine.help) {
        std::fprintf(stderr, "varnix: unknown switch \"%s\" (varnix --help lists the switches)\n",
                     commandLine.unknownSwitch.toLocal8Bit().constData());
        return 2;
    }
    if (commandLine.help || commandLine.version) {
        const std::string text = commandLine.help ? CommandLineInfo::Usage() : ProgramInfo::VersionText("varnix", VarnixResources::kVersion);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }

    // Started for a client, or to unregister where no one would see a
    // message box, the program uses no widgets and needs no display.
    const bool widgets = DisplayPresence::Available() && !commandLine.RunForClient() && !commandLine.registerOnly &&
                         !(commandLine.unregister && !DisplayPresence::Visible());
    const std::unique_ptr<QCoreApplication> application =
        widgets ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Varnix"));

    MessageBoxNotifier messageBoxes;
    if (widgets && DisplayPresence::Visible()) Notifier::SetCurrent(&messageBoxes);

    CVarnixApp varnix(commandLine, QCoreApplication::applicationFilePath(), widgets);
    QObject::connect(&varnix, &CVarnixApp::ended, application.get(), &QCoreApplication::quit, Qt::QueuedConnection);
    const bool running = varnix.InitInstance();
    const int exitCode = running ? QCoreApplication::exec() : varnix.ExitCode();
    Notifier::SetCurrent(nullptr);
    return exitCode;
}
