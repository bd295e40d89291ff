#include "automation/dbus/PrivateSessionBus.h"

#include <QFile>

#include <csignal>
#include <sys/prctl.h>

PrivateSessionBus::PrivateSessionBus(const QString& serviceFolder, int serviceStartTimeoutMs)
{
    if (!folder_.isValid()) {
        error_ = QStringLiteral("cannot create a temporary folder");
        return;
    }
    const QString configPath = folder_.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("cannot write ") + configPath;
        return;
    }
    const QString text =
        QStringLiteral(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>session</type>\n"
            "  <listen>unix:dir=%1</listen>\n"
            "  <servicedir>%2</servicedir>\n"
            "  <limit name=\"service_start_timeout\">%3</limit>\n"
            "  <policy context=\"default\">\n"
            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
            "    <allow eavesdrop=\"true\"/>\n"
            "    <allow own=\"*\"/>\n"
            "  </policy>\n"
            "</busconfig>\n")
            .arg(folder_.path().toHtmlEscaped(), serviceFolder.toHtmlEscaped())
            .arg(serviceStartTimeoutMs);
    config.write(text.toUtf8());
    config.close();

    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                          QStringLiteral("--print-address=1")});
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that crashes must not leave its bus running (and holding the
    // test runner's output open): the bus ends with this process.
    daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon_.start();
    if (!daemon_.waitForStarted(10000)) {
        error_ = QStringLiteral("cannot start dbus-daemon: ") + daemon_.errorString();
        return;
    }
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
    }
    const QString line = QString::fromUtf8(daemon_.readLine()).trimmed();
    if (line.isEmpty()) {
        error_ = QStringLiteral("dbus-daemon printed no address");
        Stop();
        return;
    }
    address_ = line;
}

PrivateSessionBus::~PrivateSessionBus()
{
    Stop();
}

void PrivateSessionBus::ExportAsSessionBus() const
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
}

void PrivateSessionBus::Stop()
{
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(10000)) {
            daemon_.kill();
            daemon_.waitForFinished(10000);
        }
    }
    address_.clear();
}
