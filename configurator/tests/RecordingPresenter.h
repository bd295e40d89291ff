#pragma once

#include "configurator/MessagePresenter.h"

#include <string>
#include <vector>

// Keeps every message shown, in order.
class RecordingPresenter : public MessagePresenter {
public:
    struct Message {
        std::string text;
        MessageIcon icon;
        bool operator==(const Message&) const = default;
    };

    void Present(const std::string& text, MessageIcon icon) override { messages.push_back({text, icon}); }

    std::vector<Message> messages;
};
