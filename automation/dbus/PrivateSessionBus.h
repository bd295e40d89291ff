#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A dbus-daemon of its own, for tests, benchmarks and demonstrations: a
// session-type bus that looks for service files in one given folder only, so
// that what it can activate does not depend on the environment it was started
// in. Activated servers inherit this process's environment, so set the XDG_*
// folders before constructing it. Stopping the bus makes every server that
// watches its connection end.
class PrivateSessionBus {
public:
    explicit PrivateSessionBus(const QString& serviceFolder, int serviceStartTimeoutMs = 25000);
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool IsRunning() const { return !address_.isEmpty(); }
    const QString& Address() const { return address_; }
    // The error text when the bus could not be started.
    const QString& Error() const { return error_; }

    // Makes the bus this process's session bus (DBUS_SESSION_BUS_ADDRESS), for
    // code that connects to the session bus and for child processes.
    void ExportAsSessionBus() const;

    void Stop();

private:
    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
    QString error_;
};
