#pragma once

#include "configurator/MessagePresenter.h"

#include <ostream>

// Prints each message on a line of its own: plain messages to `out`, errors to `err`.
class StreamMessagePresenter : public MessagePresenter {
public:
    StreamMessagePresenter(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    void Present(const std::string& text, MessageIcon icon) override
    {
        (icon == MessageIcon::Error ? err_ : out_) << text << '\n';
    }

private:
    std::ostream& out_;
    std::ostream& err_;
};
