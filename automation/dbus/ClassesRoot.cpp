#include "automation/dbus/ClassesRoot.h"

#include "automation/dbus/BusNames.h"
#include "automation/dbus/ServiceFile.h"
#include "platform/ConfigHome.h"

#include <QSettings>

namespace {

// Registry keys keep their '\' separators: one flat key each, so that the
// file holds one line per registry key.
QString Key(const std::string& registryKey)
{
    return QString::fromStdString(registryKey);
}

// The folders of a colon-separated XDG list, or the defaults when it is unset
// or empty; relative entries are ignored, as the XDG rules say.
QStringList XdgFolders(const char* variable, const QStringList& defaults)
{
    const QString value = qEnvironmentVariable(variable);
    const QStringList folders = value.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    QStringList absolute;
    for (const QString& folder : folders)
        if (folder.startsWith(QLatin1Char('/'))) absolute.append(folder);
    return absolute.isEmpty() ? defaults : absolute;
}

}  // namespace

ClassesRoot::ClassesRoot(QString storeFile, QString servicesFolder)
    : storeFile_(std::move(storeFile)), servicesFolder_(std::move(servicesFolder))
{
}

QString ClassesRoot::UserStoreFile()
{
    return QString::fromStdString(ConfigHome::Path()) + QLatin1Char('/') + QLatin1String(kDefaultFile);
}

QStringList ClassesRoot::InstalledStoreFiles()
{
    QStringList folders{ServiceFile::DataHome()};
    folders += XdgFolders("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
    folders += XdgFolders("XDG_DATA_DIRS", {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    QStringList files;
    for (const QString& folder : folders) {
        const QString file = folder + QLatin1Char('/') + QLatin1String(kDefaultFile);
        if (!files.contains(file)) files.append(file);
    }
    return files;
}

QString ClassesRoot::StoreFile() const
{
    return storeFile_.isEmpty() ? UserStoreFile() : storeFile_;
}

QString ClassesRoot::ServicesFolder() const
{
    return servicesFolder_.isEmpty() ? ServiceFile::Folder() : servicesFolder_;
}

QStringList ClassesRoot::LookupFiles() const
{
    if (!storeFile_.isEmpty()) return {storeFile_};
    QStringList files{UserStoreFile()};
    for (const QString& file : InstalledStoreFiles())
        if (!files.contains(file)) files.append(file);
    return files;
}

bool ClassesRoot::Register(const ClassEntries& e) const
{
    const auto busName = BusNames::ClassBusName(e.classId);
    if (!busName || e.progId.empty()) return false;

    QSettings store(StoreFile(), QSettings::IniFormat);
    const std::string clsidKey = "CLSID\\" + e.classId;
    const auto setIfNoValue = [&store](const std::string& key, const std::string& value) {
        if (!store.contains(Key(key))) store.setValue(Key(key), QString::fromStdString(value));
    };
    const auto set = [&store](const std::string& key, const std::string& value) {
        store.setValue(Key(key), QString::fromStdString(value));
    };
    setIfNoValue(e.progId, e.typeName);
    setIfNoValue(clsidKey, e.typeName);
    set(e.progId + "\\CLSID", e.classId);
    set(clsidKey + "\\ProgID", e.progId);
    set(clsidKey + "\\InprocHandler32", "ole32.dll");
    set(clsidKey + "\\LocalServer32", e.serverPath);
    store.sync();
    if (store.status() != QSettings::NoError) return false;

    return ServiceFile::Write(*busName, QString::fromStdString(e.serverPath), ServicesFolder());
}

bool ClassesRoot::Unregister(const std::string& classId, const std::string& progId) const
{
    QSettings store(StoreFile(), QSettings::IniFormat);
    const std::string clsidKey = "CLSID\\" + classId;
    for (const std::string& key : {progId, progId + "\\CLSID", clsidKey, clsidKey + "\\ProgID",
                                   clsidKey + "\\InprocHandler32", clsidKey + "\\LocalServer32"})
        store.remove(Key(key));
    store.sync();
    bool removed = store.status() == QSettings::NoError;

    if (const auto busName = BusNames::ClassBusName(classId))
        removed = ServiceFile::Remove(*busName, ServicesFolder()) && removed;
    return removed;
}

std::optional<ClassesRoot::Found> ClassesRoot::FindProgId(const std::string& progId) const
{
    const QString wanted = Key(progId + "\\CLSID");
    for (const QString& file : LookupFiles()) {
        const QSettings store(file, QSettings::IniFormat);
        for (const QString& key : store.childKeys())
            if (key.compare(wanted, Qt::CaseInsensitive) == 0) return Found{file, store.value(key).toString().toStdString()};
    }
    return std::nullopt;
}

std::optional<QString> ClassesRoot::StoreOfProgId(const std::string& progId) const
{
    const auto found = FindProgId(progId);
    return found ? std::optional<QString>(found->storeFile) : std::nullopt;
}

std::optional<std::string> ClassesRoot::ClassIdOfProgId(const std::string& progId) const
{
    const auto found = FindProgId(progId);
    return found ? std::optional<std::string>(found->classId) : std::nullopt;
}

std::optional<std::string> ClassesRoot::Value(const std::string& key) const
{
    for (const QString& file : LookupFiles()) {
        const QSettings store(file, QSettings::IniFormat);
        if (store.contains(Key(key))) return store.value(Key(key)).toString().toStdString();
    }
    return std::nullopt;
}
