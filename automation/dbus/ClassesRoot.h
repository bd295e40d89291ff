#pragma once

#include <optional>
#include <string>

// What registration writes for one creatable class.
struct ClassEntries {
    std::string classId;     // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    std::string progId;      // "Varnix.Ez2181"
    std::string typeName;    // long type name: the ProgID, or "Varnix Document"
    std::string serverPath;  // absolute path of the server program
};

// The classes root of the registry, kept as data in one INI file below the
// configuration folder ($XDG_CONFIG_HOME/automation/classes-root.ini). Each
// registry key is one line of the [General] section: its full path with '\'
// between levels (percent-encoded in the file) and its default value.
class ClassesRoot {
public:
    static constexpr const char* kDefaultFile = "automation/classes-root.ini";

    // `relativePath`: the file below the configuration folder.
    explicit ClassesRoot(std::string relativePath = kDefaultFile);

    // Writes the six entries of the class ("%2" and "CLSID\%1" only if they
    // have no value yet, the other four always) and the class's D-Bus service
    // file. False if the file or the service file cannot be written, or the
    // class id is malformed.
    bool Register(const ClassEntries& entries) const;

    // Removes the six entries and the service file of the class.
    bool Unregister(const std::string& classId, const std::string& progId) const;

    // The class id that "<ProgID>\CLSID" holds, the ProgID compared without
    // regard to case; nullopt if no such ProgID is registered.
    std::optional<std::string> ClassIdOfProgId(const std::string& progId) const;

    // The default value of a key ("CLSID\{...}\LocalServer32"), nullopt if absent.
    std::optional<std::string> Value(const std::string& key) const;

private:
    std::string relativePath_;
};
