#include "configurator/DialogMessagePresenter.h"

#include <QString>

DialogMessagePresenter::DialogMessagePresenter(UserInteraction& interaction, QWidget* owner)
    : interaction_(interaction), owner_(owner)
{
}

void DialogMessagePresenter::Present(const std::string& text, MessageIcon icon)
{
    interaction_.ShowMessage(owner_, QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())),
                             icon == MessageIcon::Error ? UserInteraction::Icon::Error
                                                        : UserInteraction::Icon::None);
}

void DialogMessagePresenter::PresentFailure(const std::string& text, const std::string& cause)
{
    Present(cause.empty() ? text : text + "\n" + cause, MessageIcon::Error);
}
