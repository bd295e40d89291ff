#include "platform/tests/ScopedXdgHomes.h"

#include <QDir>

namespace {

QByteArray Current(const char* name)
{
    return qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray();
}

void Restore(const char* name, const QByteArray& previous)
{
    if (previous.isNull())
        qunsetenv(name);
    else
        qputenv(name, previous);
}

}  // namespace

ScopedXdgHomes::ScopedXdgHomes()
    : previousConfig_(Current("XDG_CONFIG_HOME")),
      previousData_(Current("XDG_DATA_HOME")),
      previousConfigDirs_(Current("XDG_CONFIG_DIRS")),
      previousDataDirs_(Current("XDG_DATA_DIRS"))
{
    // An empty port map: a port the test did not link leads nowhere.
    ok_ = root_.isValid() && QDir().mkpath(Config() + QStringLiteral("/dosdevices")) && QDir().mkpath(ServicesFolder());
    qputenv("XDG_CONFIG_HOME", Config().toUtf8());
    qputenv("XDG_DATA_HOME", Data().toUtf8());
    qputenv("XDG_CONFIG_DIRS", ConfigDir().toUtf8());
    qputenv("XDG_DATA_DIRS", DataDir().toUtf8());
}

ScopedXdgHomes::~ScopedXdgHomes()
{
    Restore("XDG_CONFIG_HOME", previousConfig_);
    Restore("XDG_DATA_HOME", previousData_);
    Restore("XDG_CONFIG_DIRS", previousConfigDirs_);
    Restore("XDG_DATA_DIRS", previousDataDirs_);
}
