#pragma once

#include <QIcon>

// The program's icon (resource 128): the window icon and the About box's picture.
class VarnixIcon {
public:
    static QIcon Make();
};
