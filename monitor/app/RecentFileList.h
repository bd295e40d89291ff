#pragma once

#include <QString>
#include <QStringList>

#include <string>

// The most recently used document files, newest first, kept in the user's
// settings: section "Recent File List", values "File1" to "File4".
class RecentFileList {
public:
    static constexpr int kSize = 4;

    // Reads the list from the settings file `settingsFile` (below the
    // configuration folder).
    explicit RecentFileList(std::string settingsFile);

    const QStringList& Files() const { return files_; }

    // Puts `path` at the top (once) and writes the list.
    void Add(const QString& path);
    // Drops entry `index` (0 is the newest) and writes the list.
    void Remove(int index);

private:
    void Save() const;

    std::string settingsFile_;
    QStringList files_;
};
