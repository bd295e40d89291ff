#include "automation/dbus/ServiceFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

// The bus splits the Exec line like a shell but knows no backslash escapes
// outside quotes: a path is written plain, in single quotes, or in double
// quotes; one that no form can hold is refused.
std::optional<QString> QuotedForExec(const QString& path)
{
    const auto hasAny = [&path](QStringView chars) {
        return std::any_of(path.begin(), path.end(), [chars](QChar c) { return chars.contains(c); });
    };
    if (!hasAny(u" \t\n\"'\\$`")) return path;
    if (!path.contains(QLatin1Char('\'')) && !path.contains(QLatin1Char('\n'))) return QLatin1Char('\'') + path + QLatin1Char('\'');
    if (!hasAny(u"\"\\$`\n")) return QLatin1Char('"') + path + QLatin1Char('"');
    return std::nullopt;
}

}  // namespace

QString ServiceFile::DataHome()
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (xdg.startsWith(QLatin1Char('/'))) return xdg;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString ServiceFile::Folder()
{
    return DataHome() + QStringLiteral("/dbus-1/services");
}

QString ServiceFile::PathFor(const QString& busName, const QString& folder)
{
    return folder + QLatin1Char('/') + busName + QStringLiteral(".service");
}

std::optional<QString> ServiceFile::Text(const QString& busName, const QString& serverPath)
{
    const auto exec = QuotedForExec(serverPath);
    if (!exec) return std::nullopt;
    return QStringLiteral("[D-BUS Service]\nName=") + busName + QStringLiteral("\nExec=") + *exec +
           QStringLiteral(" -Embedding\n");
}

bool ServiceFile::Write(const QString& busName, const QString& serverPath, const QString& folder)
{
    const auto text = Text(busName, serverPath);
    if (!text || !QDir().mkpath(folder)) return false;
    QSaveFile file(PathFor(busName, folder));
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(text->toUtf8());
    return file.commit();
}

bool ServiceFile::Remove(const QString& busName, const QString& folder)
{
    const QString path = PathFor(busName, folder);
    return !QFile::exists(path) || QFile::remove(path);
}
