#pragma once

#include <QString>
#include <QTemporaryDir>

// Points XDG_CONFIG_HOME and XDG_DATA_HOME at fresh folders (with
// dbus-1/services made) for the life of the object, and back afterwards.
class ScopedXdgHomes {
public:
    ScopedXdgHomes();
    ~ScopedXdgHomes();
    ScopedXdgHomes(const ScopedXdgHomes&) = delete;
    ScopedXdgHomes& operator=(const ScopedXdgHomes&) = delete;

    bool ok() const { return ok_; }
    QString Config() const { return root_.filePath(QStringLiteral("config")); }
    QString Data() const { return root_.filePath(QStringLiteral("data")); }
    QString ServicesFolder() const { return Data() + QStringLiteral("/dbus-1/services"); }
    QString ClassesRootFile() const { return Config() + QStringLiteral("/automation/classes-root.ini"); }

private:
    QTemporaryDir root_;
    QByteArray previousConfig_;
    QByteArray previousData_;
    bool ok_ = false;
};
