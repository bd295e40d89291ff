#pragma once

#include <QString>
#include <QTemporaryDir>

// Points XDG_CONFIG_HOME and XDG_DATA_HOME at fresh folders (with
// dbus-1/services made) for the life of the object, and back afterwards; the
// machine's folders XDG_CONFIG_DIRS and XDG_DATA_DIRS too, at empty folders
// of their own, so that nothing installed on this machine is found.
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
    // Stand-ins for /etc/xdg and /usr/share.
    QString ConfigDir() const { return root_.filePath(QStringLiteral("etc-xdg")); }
    QString DataDir() const { return root_.filePath(QStringLiteral("share")); }

private:
    QTemporaryDir root_;
    QByteArray previousConfig_;
    QByteArray previousData_;
    QByteArray previousConfigDirs_;
    QByteArray previousDataDirs_;
    bool ok_ = false;
};
