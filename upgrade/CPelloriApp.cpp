#include "upgrade/CPelloriApp.h"

#include "automation/dbus/AutomationError.h"

#include "automation/core/ApplicationLock.h"
#include "automation/core/ClassFactory.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/DBusServer.h"
#include "platform/ProgramInfo.h"
#include "upgrade/BatchOptions.h"
#include "upgrade/CPelloriAboutDlg.h"
#include "upgrade/BatchRun.h"
#include "upgrade/GangRun.h"
#include "upgrade/CPelloriDlg.h"
#include "upgrade/CPelloriDlgAutoProxy.h"
#include "upgrade/CStationWindow.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/QtUserPrompts.h"
#include "upgrade/RecordLog.h"
#include "upgrade/StationRun.h"
#include "widgets/DisplayPresence.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QEventLoop>
#include <QMessageBox>

#include <algorithm>
#include <iostream>

bool CPelloriApp::TakeAutomationSwitch(std::vector<std::string>& args)
{
    const auto isSwitch = [](const std::string& arg) {
        return arg == "-Embedding" || arg == "/Embedding" || arg == "-Automation" || arg == "/Automation";
    };
    const auto first = args.empty() ? args.end() : args.begin() + 1;
    const auto removed = std::remove_if(first, args.end(), isSwitch);
    const bool found = removed != args.end();
    args.erase(removed, args.end());
    return found;
}

bool CPelloriApp::Register(const std::string& serverPath)
{
    return ClassesRoot().Register(
        {CPelloriDlgAutoProxy::kClassId, CPelloriDlgAutoProxy::kProgId, CPelloriDlgAutoProxy::kProgId, serverPath});
}

CPelloriApp::RegistrationSwitch CPelloriApp::FindRegistrationSwitch(const std::vector<std::string>& args)
{
    const auto is = [](const std::string& arg, const char* name) {
        return arg.size() > 1 && (arg[0] == '-' || arg[0] == '/') &&
               QString::fromStdString(arg.substr(1)).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (is(args[i], "Unregister") || is(args[i], "Unregserver")) return RegistrationSwitch::Unregister;
        if (is(args[i], "Register") || is(args[i], "Regserver")) return RegistrationSwitch::Register;
    }
    return RegistrationSwitch::None;
}

int CPelloriApp::RunRegistration(int argc, char** argv, RegistrationSwitch which)
{
    const QCoreApplication application(argc, argv);
    const ClassesRoot classes;
    const QString progId = QString::fromLatin1(CPelloriDlgAutoProxy::kProgId);
    if (which == RegistrationSwitch::Register) {
        const QString path = QCoreApplication::applicationFilePath();
        if (!Register(path.toStdString())) {
            std::cerr << "pellori: " << progId.toStdString() << " could not be registered in " << classes.StoreFile().toStdString()
                      << " and " << classes.ServicesFolder().toStdString() << '\n';
            return 1;
        }
        std::cout << "Registered " << progId.toStdString() << " for this user, started as " << path.toStdString()
                  << ": the entries are in " << classes.StoreFile().toStdString() << ", the D-Bus service file in "
                  << classes.ServicesFolder().toStdString() << ".\n";
        return 0;
    }
    if (!classes.Unregister(CPelloriDlgAutoProxy::kClassId, CPelloriDlgAutoProxy::kProgId)) {
        std::cerr << "pellori: the registration of " << progId.toStdString() << " could not all be removed from "
                  << classes.StoreFile().toStdString() << " and " << classes.ServicesFolder().toStdString() << '\n';
        return 1;
    }
    std::cout << "Removed this user's registration of " << progId.toStdString() << " from "
              << classes.StoreFile().toStdString() << " and its D-Bus service file from "
              << classes.ServicesFolder().toStdString() << ".\n";
    return 0;
}

int CPelloriApp::Run(int argc, char** argv)
{
    std::vector<std::string> args(argv, argv + argc);
    // Registration needs no display and no session bus.
    if (const RegistrationSwitch which = FindRegistrationSwitch(args); which != RegistrationSwitch::None)
        return RunRegistration(argc, argv, which);
    if (BatchOptions::Requested(std::vector<std::string>(args.begin() + 1, args.end())))
        return RunBatch(std::vector<std::string>(args.begin() + 1, args.end()));
    if (std::find(args.begin() + 1, args.end(), "--station") != args.end())
        return RunStationWindow(argc, argv, std::vector<std::string>(args.begin() + 1, args.end()));
    const bool startedForClient = TakeAutomationSwitch(args);
    if (!DisplayPresence::Available()) {
        std::cerr << "pellori: there is no display to show the dialog on; pellori --batch needs none (pellori --help)\n";
        return 1;
    }
    return RunDialog(argc, argv, startedForClient);
}

int CPelloriApp::RunBatch(const std::vector<std::string>& args)
{
    std::string error;
    const auto options = BatchOptions::Parse(args, error);
    if (!options) {
        std::cerr << ProgramInfo::UsageMistake("pellori", error);
        return BatchRun::kUsage;
    }
    if (options->help) {
        std::cout << BatchOptions::Usage();
        return BatchRun::kSuccess;
    }
    if (options->version) {
        std::cout << ProgramInfo::VersionText("pellori", CPelloriAboutDlg::kVersion);
        return BatchRun::kSuccess;
    }
    int argc = 1;
    char name[] = "pellori";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::cerr << "pellori: " << AutomationError::Text(CO_E_NOTINITIALIZED) << '\n';
        return BatchRun::kNoSessionBus;
    }
    if (options->station) return StationRun::RunFromCommandLine(*options, std::cout, std::cerr);
    RecordLog log;
    if (options->logFile && !log.Open(*options->logFile)) {
        std::cerr << "pellori: " << log.Error() << '\n';
        return BatchRun::kLogFailed;
    }
    RecordLog* const records = options->logFile ? &log : nullptr;
    if (!options->ports.empty()) return GangRun(std::cout, std::cerr, records).Run(*options);
    Ez2181Driver driver;
    BatchRun run(driver, std::cout, std::cerr);
    return records ? run.RunAndRecord(*options, *records) : run.Run(*options);
}

int CPelloriApp::RunDialog(int argc, char** argv, bool startedForClient)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellori"));
    // Hiding the dialog for a client must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    if (!QDBusConnection::sessionBus().isConnected()) {
        QMessageBox::warning(nullptr, QApplication::applicationName(), QString::fromLatin1(kOleInitFailed));
        return 1;
    }

    DBusServer server;
    if (startedForClient) {
        userInControl_ = false;
        const ClassFactory factory(CPelloriDlgAutoProxy::kProgId, CPelloriDlgAutoProxy::kClassId,
                                   [this] { return std::make_shared<CPelloriDlgAutoProxy>(dialog_.data()); });
        server.RegisterClassObject(factory, DBusServer::Instancing::ProcessPerObject);
    } else {
        Register(QCoreApplication::applicationFilePath().toStdString());
    }
    ApplicationLock::Process().SetOnLastUnlock([this] { OnLastUnlock(); });

    // The server object lives as long as the program, past the dialog.
    Ez2181Driver driver;
    QtUserPrompts prompts;
    CPelloriDlg dialog(driver, prompts);
    dialog_ = &dialog;
    QObject::connect(&server, &DBusServer::busDisconnected, &dialog, [&] {
        // The session is gone: nothing is left to serve or to call.
        dialog.SetAutomationProxy(nullptr);
        dialog.done(QDialog::Rejected);
    });

    // The dialog runs modally until it ends; hiding it for a client leaves it running.
    QEventLoop modalRun;
    bool ended = false;
    QObject::connect(&dialog, &QDialog::finished, &modalRun, [&] {
        ended = true;
        modalRun.quit();
    });
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    dialog.InitDialog();
    if (!ended) modalRun.exec();
    dialog_ = nullptr;
    ApplicationLock::Process().SetOnLastUnlock(nullptr);
    return 0;
}

int CPelloriApp::RunStationWindow(int argc, char** argv, const std::vector<std::string>& args)
{
    std::string error;
    const auto options = BatchOptions::Parse(args, error);
    if (!options) {
        std::cerr << ProgramInfo::UsageMistake("pellori", error);
        return BatchRun::kUsage;
    }
    if (!DisplayPresence::Available()) {
        std::cerr << "pellori: there is no display to show the station on; pellori --batch --station needs none\n";
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellori"));
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::cerr << "pellori: the session bus cannot be reached\n";
        return BatchRun::kNoSessionBus;
    }
    QtUserPrompts prompts;
    CStationWindow window(*options, prompts);
    window.show();
    return QApplication::exec();
}

void CPelloriApp::OnLastUnlock()
{
    if (userInControl_) return;
    userInControl_ = true;
    if (dialog_) dialog_->EndUnlessCovered();
}
