#pragma once

#include "platform/Notifier.h"

#include <string>
#include <vector>

// Keeps every message, for tests.
class RecordingNotifier : public Notifier {
public:
    struct Message {
        std::string text;
        std::string caption;
        bool operator==(const Message&) const = default;
    };

    void Show(const std::string& text, const std::string& caption) override
    {
        messages_.push_back({text, caption});
    }
    const std::vector<Message>& messages() const { return messages_; }
    void Clear() { messages_.clear(); }

private:
    std::vector<Message> messages_;
};
