#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// The folders of one benchmark run: a configuration home (port map, classes)
// and a data home whose D-Bus services folder a private bus reads, exported as
// XDG_CONFIG_HOME and XDG_DATA_HOME for this process and the programs it starts.
class BenchHome {
public:
    BenchHome()
    {
        QDir().mkpath(Services());
        QDir().mkpath(home_.filePath(QStringLiteral("config")));
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
    }

    QString Services() const { return home_.filePath(QStringLiteral("data/dbus-1/services")); }
    QString FilePath(const QString& name) const { return home_.filePath(name); }
    QString Path() const { return home_.path(); }

private:
    QTemporaryDir home_;
};
