#pragma once

// Whether the programs have a display for their windows. Without one a widget
// program of Qt ends with an abort in QApplication's constructor, so each
// program asks first and says in its own words what to do instead.
class DisplayPresence {
public:
    // A display Qt can show widgets on, whether anyone sees them or not (the
    // offscreen platform counts).
    static bool Available();
    // A display a user looks at: not the offscreen or minimal platform.
    static bool Visible();
};
