#pragma once

#include <string>

// Messages to the user from code that owns no window (a message box without owner).
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void Show(const std::string& text, const std::string& caption) = 0;

    // Where such messages go in this process: standard error until a program (or a
    // test) installs another one. The caller keeps the installed notifier alive;
    // nullptr returns to standard error.
    static Notifier& Current();
    static void SetCurrent(Notifier* notifier);
};
