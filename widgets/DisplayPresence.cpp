#include "widgets/DisplayPresence.h"

#include <QByteArray>
#include <QtGlobal>

bool DisplayPresence::Available()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool DisplayPresence::Visible()
{
    if (!Available()) return false;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return !platform.startsWith("offscreen") && !platform.startsWith("minimal");
}
