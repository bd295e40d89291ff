#pragma once

#include <QString>

#include <optional>

// The D-Bus service file that lets the session bus start a server when a
// client calls one of its class bus names:
//   $XDG_DATA_HOME/dbus-1/services/<bus name>.service
// with "Name=<bus name>" and "Exec=<server path> -Embedding".
class ServiceFile {
public:
    // $XDG_DATA_HOME, or $HOME/.local/share.
    static QString DataHome();
    // The user's folder: $XDG_DATA_HOME/dbus-1/services.
    static QString Folder();
    static QString PathFor(const QString& busName, const QString& folder = Folder());

    // The file's text. A server path holding blanks or quotes is quoted, as
    // the bus splits the Exec line like a shell; nullopt for a path that
    // cannot be written there (a single quote together with one of " \ $ `).
    static std::optional<QString> Text(const QString& busName, const QString& serverPath);

    // Creates the folder if needed and replaces the file; false if it cannot
    // be written.
    static bool Write(const QString& busName, const QString& serverPath, const QString& folder = Folder());
    // Removes the file; true if it is gone afterwards.
    static bool Remove(const QString& busName, const QString& folder = Folder());
};
