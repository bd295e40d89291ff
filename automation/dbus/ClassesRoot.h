#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

// What registration writes for one creatable class.
struct ClassEntries {
    std::string classId;     // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    std::string progId;      // "Varnix.Ez2181"
    std::string typeName;    // long type name: the ProgID, or "Varnix Document"
    std::string serverPath;  // absolute path of the server program
};

// The classes root of the registry, kept as data in INI files named
// automation/classes-root.ini. Each registry key is one line of the [General]
// section: its full path with '\' between levels (percent-encoded in the file)
// and its default value.
//
// The user's own store ($XDG_CONFIG_HOME/automation/classes-root.ini) is the
// one that registration writes. A lookup reads it first and then the stores
// that an installation writes for everyone (InstalledStoreFiles): the first
// store that knows a key answers for it, so a user's own registration wins
// over the machine's.
class ClassesRoot {
public:
    static constexpr const char* kDefaultFile = "automation/classes-root.ini";

    // The user's store, with the D-Bus service files in $XDG_DATA_HOME; the
    // folders are looked up at each call, so a changed environment counts.
    ClassesRoot() = default;
    // One store file and one folder of service files and nothing else: what an
    // installation writes for all users of a prefix.
    ClassesRoot(QString storeFile, QString servicesFolder);

    // The user's store below the configuration folder.
    static QString UserStoreFile();
    // The stores installations write, in the order they are read after the
    // user's: $XDG_DATA_HOME (an install to ~/.local), each folder of
    // $XDG_CONFIG_DIRS (/etc/xdg), each folder of $XDG_DATA_DIRS
    // (/usr/local/share, /usr/share): <folder>/automation/classes-root.ini.
    static QStringList InstalledStoreFiles();

    // The store that Register and Unregister write, and its service folder.
    QString StoreFile() const;
    QString ServicesFolder() const;

    // Writes the six entries of the class ("%2" and "CLSID\%1" only if they
    // have no value yet, the other four always) and the class's D-Bus service
    // file. False if the file or the service file cannot be written, or the
    // class id is malformed.
    bool Register(const ClassEntries& entries) const;

    // Removes the six entries and the service file of the class.
    bool Unregister(const std::string& classId, const std::string& progId) const;

    // The class id that "<ProgID>\CLSID" holds, the ProgID compared without
    // regard to case; nullopt if no store registers such a ProgID.
    std::optional<std::string> ClassIdOfProgId(const std::string& progId) const;

    // The default value of a key ("CLSID\{...}\LocalServer32"), nullopt if absent.
    std::optional<std::string> Value(const std::string& key) const;

    // The first store file that registers the ProgID; nullopt if none does.
    std::optional<QString> StoreOfProgId(const std::string& progId) const;

private:
    struct Found {
        QString storeFile;
        std::string classId;
    };
    std::optional<Found> FindProgId(const std::string& progId) const;
    // The files a lookup reads, in order.
    QStringList LookupFiles() const;

    QString storeFile_;       // empty: the user's
    QString servicesFolder_;  // empty: the user's
};
