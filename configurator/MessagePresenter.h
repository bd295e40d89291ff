#pragma once

#include <string>

// How a message looks to the user: plain, or marked as an error.
enum class MessageIcon { None, Error };

// Shows the configurator's fixed messages (the transfer's outcome) to the user. The
// dialog shows a message box, the command line prints, tests record.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual void Present(const std::string& text, MessageIcon icon) = 0;
};
