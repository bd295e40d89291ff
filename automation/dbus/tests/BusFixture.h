#pragma once

#include "automation/dbus/PrivateSessionBus.h"

#include <QDBusConnection>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

// A private bus for each test: its own XDG_CONFIG_HOME and XDG_DATA_HOME
// (with dbus-1/services made before the bus starts), the test server's two
// classes registered there, a dbus-daemon that activates from that folder
// only, and exported as this process's session bus for child programs.
class BusFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new connection of this process to the test's bus.
    QDBusConnection Connect();
    const QString& ServicesFolder() const { return servicesFolder_; }
    PrivateSessionBus& Bus() { return *bus_; }

    // Polls `condition` until it holds or a generous limit runs out.
    static bool WaitFor(const std::function<bool()>& condition);
    bool NameGone(const QString& name);

    QDBusConnection client_{QString()};

private:
    QTemporaryDir home_;
    QString servicesFolder_;
    std::unique_ptr<PrivateSessionBus> bus_;
    int connections_ = 0;
    QStringList connectionNames_;
};
