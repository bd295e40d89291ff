// The varnix monitor server. See CVarnixApp for what the command line does,
// and `varnix --help`.
#include "monitor/app/CVarnixApp.h"
#include "monitor/app/CommandLineInfo.h"
#include "monitor/app/MessageBoxNotifier.h"
#include "monitor/app/VarnixResources.h"
#include "platform/ProgramInfo.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

bool HasEnvironment(const char* name)
{
    return !qEnvironmentVariableIsEmpty(name);
}

// A display that Qt can show widgets on, whether anyone can see them or not.
bool DisplayAvailable()
{
    return HasEnvironment("QT_QPA_PLATFORM") || HasEnvironment("DISPLAY") || HasEnvironment("WAYLAND_DISPLAY");
}

// A display that a user looks at: message boxes go there, otherwise to standard error.
bool DisplayVisible()
{
    if (!DisplayAvailable()) return false;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return !platform.startsWith("offscreen") && !platform.startsWith("minimal");
}

}  // namespace

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
    const bool widgets = DisplayAvailable() && !commandLine.RunForClient() && !commandLine.registerOnly &&
                         !(commandLine.unregister && !DisplayVisible());
    const std::unique_ptr<QCoreApplication> application =
        widgets ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Varnix"));

    MessageBoxNotifier messageBoxes;
    if (widgets && DisplayVisible()) Notifier::SetCurrent(&messageBoxes);

    CVarnixApp varnix(commandLine, QCoreApplication::applicationFilePath(), widgets);
    QObject::connect(&varnix, &CVarnixApp::ended, application.get(), &QCoreApplication::quit, Qt::QueuedConnection);
    const bool running = varnix.InitInstance();
    const int exitCode = running ? QCoreApplication::exec() : varnix.ExitCode();
    Notifier::SetCurrent(nullptr);
    return exitCode;
}
