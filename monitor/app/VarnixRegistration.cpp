#include "monitor/app/VarnixRegistration.h"

#include "automation/dbus/ClassesRoot.h"
#include "monitor/app/VarnixClassTable.h"
#include "platform/ConfigHome.h"

#include <QDir>
#include <QFile>

bool VarnixRegistration::RegisterAll(const std::string& serverPath)
{
    const ClassesRoot classes;
    bool written = true;
    for (const auto& row : VarnixClassTable::Rows())
        written &= classes.Register({row.factory.classId(), row.factory.progId(), row.typeName, serverPath});
    return written;
}

bool VarnixRegistration::UnregisterAll()
{
    const ClassesRoot classes;
    bool removed = true;
    for (const auto& row : VarnixClassTable::Rows())
        removed &= classes.Unregister(row.factory.classId(), row.factory.progId());
    return removed;
}

QString VarnixRegistration::SettingsFilePath()
{
    return QDir(QString::fromStdString(ConfigHome::Path())).filePath(QString::fromLatin1(kSettingsFile));
}

void VarnixRegistration::RemoveSettings()
{
    const QDir home(QString::fromStdString(ConfigHome::Path()));
    QFile::remove(SettingsFilePath());
    // rmdir only removes an empty folder.
    home.rmdir(QString::fromLatin1(kSettingsFolder));
}
