#pragma once

#include <QIcon>

#include <functional>

class QPainter;

// A program's icon drawn by code at 16 and 32 pixels, on a transparent ground with
// antialiasing on.
class DrawnIcon {
public:
    // `draw` paints one size of the icon (size by size pixels).
    static QIcon Make(const std::function<void(QPainter& painter, int size)>& draw);
};
