#pragma once

#include "automation/dbus/PrivateSessionBus.h"
#include "platform/tests/ScopedXdgHomes.h"

#include <QDBusConnection>
#include <QString>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

// Each test's own world: XDG_CONFIG_HOME and XDG_DATA_HOME in temporary
// folders (so the classes root, the port map and the service files are the
// test's), offscreen Qt for any program the bus starts, and a private
// dbus-daemon exported as the session bus. Classes are registered before the
// bus starts, because the bus reads its service folder then.
class PelloriBus : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Registers the fake board server as "Varnix.Ez2181".
    void RegisterFakeServer();
    // Registers "Varnix.Ez2181" with a server program that does not exist.
    void RegisterMissingServer();
    // Registers pellori itself as "Pellori.Application".
    void RegisterPellori();
    void StartBus();

    // A new connection of this process to the test's bus.
    QDBusConnection Connect();
    // The process that owns `busName` on the test's bus (0 if none), and killing it.
    uint ServerPid(const QString& busName);
    bool KillOwner(const QString& busName);
    bool NameGone(const QString& busName);
    std::string TempPath(const std::string& name) const;

    static bool WaitFor(const std::function<bool()>& condition);

private:
    std::unique_ptr<ScopedXdgHomes> homes_;
    std::unique_ptr<PrivateSessionBus> bus_;
    QStringList connectionNames_;
    QDBusConnection watcher_{QString()};
};
