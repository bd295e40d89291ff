#pragma once

#include "monitor/app/CommandLineInfo.h"

#include <QObject>
#include <QString>

#include <memory>

class CMainFrame;
class CVarnixDoc;
class DBusServer;
class RecentFileList;

// The varnix program: start-up, registration, and when the program ends.
//
// Started for a client ("Embedding" or "Automation"), it serves every class of
// VarnixClassTable on the session bus, shows nothing, and ends when the last
// object is released or its bus goes away. Started by hand, it writes the
// classes' registration, shows the window with an empty document, and ends
// when the window is closed and no object is left; closing the window while
// objects live hides it and ends on the last release. "Unregister" removes the
// registration and the settings and ends; "Register" writes the registration
// and ends, with no window.
//
// Messages to the user go through the current Notifier. The application ends
// by emitting ended(); the program's main loop quits on it.
class CVarnixApp : public QObject {
    Q_OBJECT
public:
    // `serverPath`: the program file that registration names.
    // `canShowWindow`: false where no display is available; a start by hand
    // then registers and ends with a message.
    CVarnixApp(CommandLineInfo commandLine, QString serverPath, bool canShowWindow = true, QObject* parent = nullptr);
    ~CVarnixApp() override;

    // Starts the program. False when it is to end at once, with ExitCode().
    bool InitInstance();
    int ExitCode() const { return exitCode_; }

    // Started by hand and the window not closed yet.
    bool UserControl() const { return userControl_; }
    bool HasEnded() const { return ended_; }
    CMainFrame* MainFrame() const { return frame_.get(); }
    DBusServer* Server() const { return server_.get(); }

signals:
    void ended();

private:
    bool ServeClients();
    bool RunByHand();
    bool Unregister();
    void OnMainFrameClosed();
    void OnLastUnlock();
    void End();
    bool Fail(const QString& text);
    static QString NotRegisteredText();

    CommandLineInfo commandLine_;
    QString serverPath_;
    bool canShowWindow_;
    std::unique_ptr<RecentFileList> recentFiles_;
    std::unique_ptr<DBusServer> server_;
    std::unique_ptr<CVarnixDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    bool userControl_ = false;
    bool ended_ = false;
    int exitCode_ = 0;
};
