#include "platform/SettingsStore.h"

#include "platform/ConfigHome.h"

SettingsStore::SettingsStore(const std::string& relativePath)
    : filePath_(QString::fromStdString(ConfigHome::Path() + "/" + relativePath)),
      settings_(std::make_unique<QSettings>(filePath_, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore()
{
    settings_->sync();
}

QVariant SettingsStore::value(const QString& key, const QVariant& defaultValue) const
{
    return settings_->value(key, defaultValue);
}

void SettingsStore::setValue(const QString& key, const QVariant& value)
{
    settings_->setValue(key, value);
}

bool SettingsStore::contains(const QString& key) const
{
    return settings_->contains(key);
}

void SettingsStore::remove(const QString& keyOrGroup)
{
    settings_->remove(keyOrGroup);
}

QStringList SettingsStore::childKeys(const QString& group) const
{
    settings_->beginGroup(group);
    QStringList keys = settings_->childKeys();
    settings_->endGroup();
    return keys;
}

QStringList SettingsStore::childGroups(const QString& group) const
{
    settings_->beginGroup(group);
    QStringList groups = settings_->childGroups();
    settings_->endGroup();
    return groups;
}

bool SettingsStore::sync()
{
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}
