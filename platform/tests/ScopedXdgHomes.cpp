#include "platform/tests/ScopedXdgHomes.h"

#include <QDir>

namespace {

void Restore(const char* name, const QByteArray& previous)
{
    if (previous.isNull())
        qunsetenv(name);
    else
        qputenv(name, previous);
}

}  // namespace

ScopedXdgHomes::ScopedXdgHomes()
    : previousConfig_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME") ? qgetenv("XDG_CONFIG_HOME") : QByteArray()),
      previousData_(qEnvironmentVariableIsSet("XDG_DATA_HOME") ? qgetenv("XDG_DATA_HOME") : QByteArray())
{
    // An empty port map: a port the test did not link leads nowhere.
    ok_ = root_.isValid() && QDir().mkpath(Config() + QStringLiteral("/dosdevices")) && QDir().mkpath(ServicesFolder());
    qputenv("XDG_CONFIG_HOME", Config().toUtf8());
    qputenv("XDG_DATA_HOME", Data().toUtf8());
}

ScopedXdgHomes::~ScopedXdgHomes()
{
    Restore("XDG_CONFIG_HOME", previousConfig_);
    Restore("XDG_DATA_HOME", previousData_);
}
