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

private:
    UserInteraction& interaction_;
    QWidget* owner_;
};
