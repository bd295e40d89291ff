#pragma once

#include "platform/Notifier.h"

// Shows each message in a Qt message box, for a program that shows a window.
class MessageBoxNotifier : public Notifier {
public:
    void Show(const std::string& text, const std::string& caption) override;
};
