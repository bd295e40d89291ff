#pragma once

#include <QIcon>

// The application icon: the window icon of the upgrade dialog and the picture in
// the About box.
class PelloriIcon {
public:
    static QIcon Make();
};
