#pragma once

#include "upgrade/UserPrompts.h"

#include <deque>
#include <optional>
#include <vector>

// Answers the dialog's modal windows from a script and records what was shown.
class ScriptedPrompts : public UserPrompts {
public:
    struct Message {
        QString text;
        Icon icon;
    };

    // The next file dialog's answer; nullopt is a cancel. With none queued, the dialog is cancelled.
    void AnswerFile(std::optional<QString> answer) { files_.push_back(std::move(answer)); }

    std::optional<QString> ChooseProgramFile(QWidget*) override
    {
        ++fileDialogs;
        if (files_.empty()) return std::nullopt;
        auto answer = files_.front();
        files_.pop_front();
        return answer;
    }
    void ShowMessage(QWidget*, const QString& text, Icon icon) override { messages.push_back({text, icon}); }
    void ShowAbout(QWidget*) override { ++aboutBoxes; }

    std::vector<Message> messages;
    int fileDialogs = 0;
    int aboutBoxes = 0;

private:
    std::deque<std::optional<QString>> files_;
};
