#include "automation/ServiceFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

QString DataHome()
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (xdg.startsWith(QLatin1Char('/'))) return xdg;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString QuotedForExec(const QString& path)
{
    static const QString kSpecial = QStringLiteral(" \t\"'\\$`");
    bool plain = true;
    for (QChar c : path)
        if (kSpecial.contains(c)) plain = false;
    if (plain) return path;
    // Inside single quotes everything is literal; a single quote itself ends
    // the quoted part, is escaped, and a new quoted part begins.
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

}  // namespace

QString ServiceFile::Folder()
{
    return DataHome() + QStringLiteral("/dbus-1/services");
}

QString ServiceFile::PathFor(const QString& busName)
{
    return Folder() + QLatin1Char('/') + busName + QStringLiteral(".service");
}

QString ServiceFile::Text(const QString& busName, const QString& serverPath)
{
    return QStringLiteral("[D-BUS Service]\nName=") + busName + QStringLiteral("\nExec=") +
           QuotedForExec(serverPath) + QStringLiteral(" -Embedding\n");
}

bool ServiceFile::Write(const QString& busName, const QString& serverPath)
{
    if (!QDir().mkpath(Folder())) return false;
    QSaveFile file(PathFor(busName));
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(Text(busName, serverPath).toUtf8());
    return file.commit();
}

bool ServiceFile::Remove(const QString& busName)
{
    const QString path = PathFor(busName);
    return !QFile::exists(path) || QFile::remove(path);
}
