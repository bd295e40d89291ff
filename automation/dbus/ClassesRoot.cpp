#include "automation/dbus/ClassesRoot.h"

#include "automation/dbus/BusNames.h"
#include "automation/dbus/ServiceFile.h"
#include "platform/SettingsStore.h"

namespace {

// Registry keys keep their '\' separators: one flat key each, so that the
// file holds one line per registry key.
QString Key(const std::string& registryKey)
{
    return QString::fromStdString(registryKey);
}

}  // namespace

ClassesRoot::ClassesRoot(std::string relativePath) : relativePath_(std::move(relativePath)) {}

bool ClassesRoot::Register(const ClassEntries& e) const
{
    const auto busName = BusNames::ClassBusName(e.classId);
    if (!busName || e.progId.empty()) return false;

    SettingsStore store(relativePath_);
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
    if (!store.sync()) return false;

    return ServiceFile::Write(*busName, QString::fromStdString(e.serverPath));
}

bool ClassesRoot::Unregister(const std::string& classId, const std::string& progId) const
{
    SettingsStore store(relativePath_);
    const std::string clsidKey = "CLSID\\" + classId;
    for (const std::string& key : {progId, progId + "\\CLSID", clsidKey, clsidKey + "\\ProgID",
                                   clsidKey + "\\InprocHandler32", clsidKey + "\\LocalServer32"})
        store.remove(Key(key));
    bool removed = store.sync();

    if (const auto busName = BusNames::ClassBusName(classId)) removed = ServiceFile::Remove(*busName) && removed;
    return removed;
}

std::optional<std::string> ClassesRoot::ClassIdOfProgId(const std::string& progId) const
{
    const SettingsStore store(relativePath_);
    const QString wanted = Key(progId + "\\CLSID");
    for (const QString& key : store.childKeys())
        if (key.compare(wanted, Qt::CaseInsensitive) == 0) return store.value(key).toString().toStdString();
    return std::nullopt;
}

std::optional<std::string> ClassesRoot::Value(const std::string& key) const
{
    const SettingsStore store(relativePath_);
    if (!store.contains(Key(key))) return std::nullopt;
    return store.value(Key(key)).toString().toStdString();
}
