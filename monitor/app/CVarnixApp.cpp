#include "monitor/app/CVarnixApp.h"

#include "automation/core/ApplicationLock.h"
#include "automation/dbus/DBusServer.h"
#include "monitor/app/CMainFrame.h"
#include "monitor/app/CVarnixDoc.h"
#include "monitor/app/RecentFileList.h"
#include "monitor/app/VarnixClassTable.h"
#include "monitor/app/VarnixRegistration.h"
#include "monitor/app/VarnixResources.h"
#include "platform/ConfigHome.h"
#include "platform/Notifier.h"

#include <QDBusConnection>
#include <QDir>

namespace {

void Tell(const QString& text)
{
    Notifier::Current().Show(text.toStdString(), VarnixResources::kAppTitle);
}

DBusServer::Instancing OnTheBus(VarnixClassTable::Instancing instancing)
{
    return instancing == VarnixClassTable::Instancing::ProcessPerObject ? DBusServer::Instancing::ProcessPerObject
                                                                        : DBusServer::Instancing::SharedServer;
}

}  // namespace

CVarnixApp::CVarnixApp(CommandLineInfo commandLine, QString serverPath, bool canShowWindow, QObject* parent)
    : QObject(parent), commandLine_(std::move(commandLine)), serverPath_(std::move(serverPath)), canShowWindow_(canShowWindow)
{
}

CVarnixApp::~CVarnixApp()
{
    ApplicationLock::Process().SetOnLastUnlock(nullptr);
    frame_.reset();
    document_.reset();
}

bool CVarnixApp::InitInstance()
{
    recentFiles_ = std::make_unique<RecentFileList>(VarnixRegistration::kSettingsFile);

    // An uninstaller may pass "Embedding" too, to stay silent: the removal
    // comes first, and nothing is served.
    if (commandLine_.unregister) {
        exitCode_ = Unregister() ? 0 : 1;
        return false;
    }
    if (commandLine_.registerOnly) {
        if (!VarnixRegistration::RegisterAll(serverPath_.toStdString())) return Fail(NotRegisteredText());
        Tell(VarnixRegistration::RegisteredText(serverPath_.toStdString()));
        exitCode_ = 0;
        return false;
    }
    const bool started = commandLine_.RunForClient() ? ServeClients() : RunByHand();
    if (started) ApplicationLock::Process().SetOnLastUnlock([this] { OnLastUnlock(); });
    return started;
}

bool CVarnixApp::ServeClients()
{
    // The session bus stands for the automation runtime.
    if (!QDBusConnection::sessionBus().isConnected()) return Fail(QString::fromLatin1(VarnixResources::kOleInitFailed));

    server_ = std::make_unique<DBusServer>();
    int served = 0;
    for (const auto& row : VarnixClassTable::Rows())
        served += server_->RegisterClassObject(row.factory, OnTheBus(row.instancing));
    if (served == 0) return Fail(QStringLiteral("Another copy of the program already serves its classes."));
    connect(server_.get(), &DBusServer::busDisconnected, this, &CVarnixApp::End);
    return true;
}

bool CVarnixApp::RunByHand()
{
    if (!VarnixRegistration::RegisterAll(serverPath_.toStdString())) Tell(NotRegisteredText());
    if (!canShowWindow_)
        return Fail(QStringLiteral("There is no display to show the window on. To register the classes "
                                   "without a window, run: varnix -Register"));

    document_ = std::make_unique<CVarnixDoc>();
    frame_ = std::make_unique<CMainFrame>(*document_, *recentFiles_);
    if (!commandLine_.fileName.isEmpty() && !frame_->OpenDocumentFile(commandLine_.fileName)) {
        frame_.reset();
        document_.reset();
        exitCode_ = 1;
        return false;
    }
    connect(frame_.get(), &CMainFrame::closed, this, &CVarnixApp::OnMainFrameClosed, Qt::QueuedConnection);
    userControl_ = true;
    frame_->show();
    return true;
}

QString CVarnixApp::NotRegisteredText()
{
    return QStringLiteral("The registry entries could not all be written below %1.")
        .arg(QDir::toNativeSeparators(QString::fromStdString(ConfigHome::Path())));
}

bool CVarnixApp::Unregister()
{
    const bool removed = VarnixRegistration::UnregisterAll();
    VarnixRegistration::RemoveSettings();
    if (!removed) return Fail(QStringLiteral("The registry entries could not all be removed."));
    if (!commandLine_.RunForClient())
        Tell(QString::fromLatin1(VarnixResources::kUnregistered) + QLatin1Char('\n') + VarnixRegistration::UnregisteredText());
    return true;
}

void CVarnixApp::OnMainFrameClosed()
{
    // The user leaves: from now on the program lives only for its objects.
    userControl_ = false;
    frame_.reset();
    document_.reset();
    if (ApplicationLock::Process().count() == 0) End();
}

void CVarnixApp::OnLastUnlock()
{
    if (!userControl_) End();
}

void CVarnixApp::End()
{
    if (ended_) return;
    ended_ = true;
    // Creations that arrive from now on start a new copy.
    if (server_) server_->RevokeClassObjects();
    emit ended();
}

bool CVarnixApp::Fail(const QString& text)
{
    Tell(text);
    exitCode_ = 1;
    return false;
}
