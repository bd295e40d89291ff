#include "doctor/ServerStartCheck.h"

#include "automation/dbus/AutomationError.h"
#include "automation/dbus/DispatchDriver.h"
#include "doctor/SessionBusCheck.h"
#include "monitor/serial/Sport.h"

#include <QDBusConnection>

#include <chrono>

void ServerStartCheck::Run(const CheckContext&, Report& report)
{
    const std::string progId = Sport::kProgId;
    if (!QDBusConnection::sessionBus().isConnected()) {
        report.Add("server-start", "server start", "not tried")
            .Fail("a " + progId + " object cannot be created without a session bus", SessionBusCheck::StartBusFix());
        return;
    }
    DispatchDriver driver;
    driver.SetCreateTimeout(std::chrono::seconds(30));
    const auto start = std::chrono::steady_clock::now();
    std::string server;
    try {
        driver.Create(progId);
        server = driver.ServerName().toStdString();
        driver.Release();
    } catch (const AutomationError& error) {
        report.Add("server-start", "server start", "creating " + progId + " failed")
            .Fail("creating a " + progId + " object failed: " + error.what(),
                  "varnix -Register; if the server still does not start, run varnix -Embedding in a terminal to see why");
        return;
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    Finding& finding = report.Add("server-start", "server start",
                                  progId + " created and released in " + std::to_string(took.count()) + " ms");
    finding.AddFact("milliseconds", std::to_string(took.count()));
    finding.AddFact("server", server);
}
