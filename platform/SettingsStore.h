#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <string>

// One INI file of settings under the configuration folder ($XDG_CONFIG_HOME), in place
// of a registry key. Keys may name groups with '/': "CLSID/{...}/ProgID".
// The folder is looked up when the store is made, so tests that point XDG_CONFIG_HOME
// elsewhere get their own files.
class SettingsStore {
public:
    // relativePath: the file below the configuration folder, such as "varnix/varnix.ini".
    explicit SettingsStore(const std::string& relativePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    const QString& filePath() const { return filePath_; }

    QVariant value(const QString& key, const QVariant& defaultValue = QVariant()) const;
    void setValue(const QString& key, const QVariant& value);
    bool contains(const QString& key) const;
    // Removes a key, or a group with everything below it.
    void remove(const QString& keyOrGroup);
    // The keys and the groups directly below `group` ("" for the top).
    QStringList childKeys(const QString& group = QString()) const;
    QStringList childGroups(const QString& group = QString()) const;

    // Writes what changed to the file; false when it could not be written.
    bool sync();

private:
    QString filePath_;
    std::unique_ptr<QSettings> settings_;
};
