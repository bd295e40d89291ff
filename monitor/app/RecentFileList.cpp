#include "monitor/app/RecentFileList.h"

#include "platform/SettingsStore.h"

namespace {

QString Key(int number)
{
    return QStringLiteral("Recent File List/File%1").arg(number);
}

}  // namespace

RecentFileList::RecentFileList(std::string settingsFile) : settingsFile_(std::move(settingsFile))
{
    const SettingsStore store(settingsFile_);
    for (int number = 1; number <= kSize; ++number) {
        const QString path = store.value(Key(number)).toString();
        if (!path.isEmpty() && !files_.contains(path)) files_.append(path);
    }
}

void RecentFileList::Add(const QString& path)
{
    files_.removeAll(path);
    files_.prepend(path);
    while (files_.size() > kSize) files_.removeLast();
    Save();
}

void RecentFileList::Remove(int index)
{
    if (index < 0 || index >= files_.size()) return;
    files_.removeAt(index);
    Save();
}

void RecentFileList::Save() const
{
    SettingsStore store(settingsFile_);
    for (int number = 1; number <= kSize; ++number) {
        if (number <= files_.size())
            store.setValue(Key(number), files_.at(number - 1));
        else
            store.remove(Key(number));
    }
    store.sync();
}
