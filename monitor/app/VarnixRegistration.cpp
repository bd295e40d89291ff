#include "monitor/app/VarnixRegistration.h"

#include "automation/dbus/ClassesRoot.h"
#include "monitor/app/VarnixClassTable.h"
#include "platform/ConfigHome.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace {

QString ProgIds()
{
    QStringList names;
    for (const auto& row : VarnixClassTable::Rows()) names.append(QString::fromStdString(row.factory.progId()));
    return names.join(QStringLiteral(", "));
}

}  // namespace

bool VarnixRegistration::RegisterAll(const std::string& serverPath, const ClassesRoot& classes)
{
    bool written = true;
    for (const auto& row : VarnixClassTable::Rows())
        written &= classes.Register({row.factory.classId(), row.factory.progId(), row.typeName, serverPath});
    return written;
}

QString VarnixRegistration::RegisteredText(const std::string& serverPath)
{
    const ClassesRoot classes;
    return QStringLiteral("Registered %1 for this user, started as %2: the entries are in %3, the D-Bus "
                          "service files in %4.")
        .arg(ProgIds(), QString::fromStdString(serverPath), classes.StoreFile(), classes.ServicesFolder());
}

QString VarnixRegistration::UnregisteredText()
{
    const ClassesRoot classes;
    const QString text = QStringLiteral("Removed this user's registration of %1 from %2 and their D-Bus service files "
                                        "from %3, and the settings file %4.")
                             .arg(ProgIds(), classes.StoreFile(), classes.ServicesFolder(), SettingsFilePath());
    const auto& first = VarnixClassTable::Rows().front().factory;
    if (const auto installed = classes.StoreOfProgId(first.progId()))
        return text + QStringLiteral(" Clients now use the registration installed for all users (%1, started as %2).")
                          .arg(*installed, QString::fromStdString(classes.Value("CLSID\\" + first.classId() + "\\LocalServer32").value_or("")));
    return text + QStringLiteral(" No registration is left: clients get \"class not registered\" until "
                                 "varnix -Register is run again.");
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
