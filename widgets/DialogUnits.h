#pragma once

#include <QFont>
#include <QRect>

// Converts dialog units to pixels the way dialog templates are laid out: a horizontal
// unit is a quarter of the dialog font's average character width, a vertical unit an
// eighth of its character height. The average width is taken over the 52 letters of the
// alphabet and rounded to the nearest pixel.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& dialogFont);

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;

    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }

    // "MS Sans Serif" 8 point, the font of every dialog of the programs. Where that
    // family is missing the font database substitutes its default sans-serif font.
    static QFont DialogFont();

private:
    int baseWidth_;
    int baseHeight_;
};
