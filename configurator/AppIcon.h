#pragma once

#include <QIcon>

// The configurator's icon, used as the main dialog's window icon and in the About box.
class AppIcon {
public:
    static QIcon Make();
};
