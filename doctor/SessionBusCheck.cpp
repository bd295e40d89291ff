#include "doctor/SessionBusCheck.h"

#include <QDBusConnection>
#include <QDBusError>

const char* SessionBusCheck::StartBusFix()
{
    return "start a shell with a session bus of its own: dbus-run-session -- bash "
           "(docs/getting-started.md, \"A session bus where there is no desktop\")";
}

void SessionBusCheck::Run(const CheckContext&, Report& report)
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const std::string shown = address.isEmpty() ? "the default address (DBUS_SESSION_BUS_ADDRESS is not set)"
                                                : address.toStdString();
    if (bus.isConnected()) {
        Finding& finding = report.Add("session-bus", "session bus", "reachable at " + shown);
        finding.AddFact("address", address.toStdString());
        finding.AddFact("unique name", bus.baseService().toStdString());
        return;
    }
    Finding& finding = report.Add("session-bus", "session bus", "not reachable");
    finding.AddFact("address", address.toStdString());
    const std::string error = bus.lastError().message().toStdString();
    finding.Fail(address.isEmpty()
                     ? "there is no session bus: DBUS_SESSION_BUS_ADDRESS is not set (an ssh login, a build server "
                       "or a container has none), so no client can reach varnix"
                     : "the session bus at " + shown + " does not answer: " + error,
                 StartBusFix());
}
