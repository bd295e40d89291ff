#pragma once

#include "configurator/MessagePresenter.h"
#include "configurator/UserInteraction.h"

class QWidget;

// Shows the transfer's messages as message boxes owned by a dialog, the error icon for
// errors and no icon otherwise.
class DialogMessagePresenter : public MessagePresenter {
public:
    DialogMessagePresenter(UserInteraction& interaction, QWidget* owner);

    void Present(const std::string& text, MessageIcon icon) override;
    // The message box holds the fixed message as its first line and the cause below it.
    void PresentFailure(const std::string& text, const std::string& cause) override;

private:
    UserInteraction& interaction_;
    QWidget* owner_;
};
