#pragma once

#include "platform/Notifier.h"

#include <iosfwd>

// Writes each message as one line "<caption>: <text>" to a stream, standard error by default.
class StderrNotifier : public Notifier {
public:
    StderrNotifier();
    explicit StderrNotifier(std::ostream& out) : out_(out) {}
    void Show(const std::string& text, const std::string& caption) override;

private:
    std::ostream& out_;
};
