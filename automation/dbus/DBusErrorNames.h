#pragma once

#include <QString>

// Names of the standard D-Bus errors that the automation transport sends or
// tells apart.
struct DBusErrorNames {
    static inline const QString kNoReply = QStringLiteral("org.freedesktop.DBus.Error.NoReply");
    static inline const QString kTimedOut = QStringLiteral("org.freedesktop.DBus.Error.TimedOut");
    static inline const QString kServiceUnknown = QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown");
    static inline const QString kNameHasNoOwner = QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner");
    static inline const QString kDisconnected = QStringLiteral("org.freedesktop.DBus.Error.Disconnected");
    static inline const QString kUnknownObject = QStringLiteral("org.freedesktop.DBus.Error.UnknownObject");
    static inline const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
    static inline const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
    static inline const QString kAccessDenied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
};
