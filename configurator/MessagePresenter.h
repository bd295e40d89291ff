#pragma once

#include <string>

// How a message looks to the user: plain, or marked as an error.
enum class MessageIcon { None,
                         Error };

// Shows the configurator's fixed messages (the transfer's outcome) to the user. The
// dialog shows a message box, the command line prints, tests record.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual void Present(const std::string& text, MessageIcon icon) = 0;
    // A failure's fixed message and what caused it, as far as it is known (empty
    // otherwise). By default only the message is shown: the command line prints the
    // cause on a line of its own, after the message.
    virtual void PresentFailure(const std::string& text, const std::string& cause)
    {
        (void)cause;
        Present(text, MessageIcon::Error);
    }
};
