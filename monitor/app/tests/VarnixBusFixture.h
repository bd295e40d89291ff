#pragma once

#include "automation/dbus/PrivateSessionBus.h"
#include "platform/tests/ScopedXdgHomes.h"
#include "platform/PtyPair.h"

#include <QDBusConnection>
#include <QString>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

// A private session bus for each test, as a client of the varnix program
// sees it: private XDG folders, every class of the program registered there
// with VARNIX_PATH as the server, a dbus-daemon that activates from that
// folder only (exported as this process's session bus for child programs),
// and COM1 linked to a pseudo-terminal.
class VarnixBusFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new connection of this process to the test's bus.
    QDBusConnection Connect();
    PrivateSessionBus& Bus() { return *bus_; }
    ScopedXdgHomes& Homes() { return *homes_; }
    PtyPair& Com1() { return com1_; }

    // The process id behind a unique bus name, 0 if unknown.
    uint ProcessOf(const QString& busName);
    // The arguments a process was started with, its program first.
    static QStringList CommandLineOf(uint pid);

    // Polls `condition` until it holds or a generous limit runs out.
    static bool WaitFor(const std::function<bool()>& condition);
    bool NameGone(const QString& name);

    QDBusConnection client_{QString()};

private:
    std::unique_ptr<ScopedXdgHomes> homes_;
    PtyPair com1_;
    std::unique_ptr<PrivateSessionBus> bus_;
    int connections_ = 0;
    QStringList connectionNames_;
};
