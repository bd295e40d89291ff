#include "configurator/CDigitalInputDlg.h"

#include <QCheckBox>

CDigitalInputDlg::CDigitalInputDlg(UserInteraction& interaction, QWidget* parent, const QString& title, int width,
                                   int height, const Input& input)
    : CSettingsDlg(interaction, parent, title, width, height)
{
    enable_ = Bind(layout_.Check(input.enableText, input.enableName, 10, 8, 120), input.enable);
    followers_ = {
        Bind(layout_.Check(QStringLiteral("Active High"), input.name + QStringLiteral("ActiveHigh"), 20, 24, 60),
             input.activeHigh),
        Bind(layout_.Check(QStringLiteral("R1"), input.name + QStringLiteral("R1"), 90, 24, 26), input.r1),
        Bind(layout_.Check(QStringLiteral("R2"), input.name + QStringLiteral("R2"), 122, 24, 26), input.r2),
    };
    connect(enable_, &QCheckBox::clicked, this, [this] { OnEnableClicked(); });
}

void CDigitalInputDlg::AddFollowers(std::initializer_list<QWidget*> controls)
{
    followers_.insert(followers_.end(), controls);
}

void CDigitalInputDlg::OnEnableClicked()
{
    UpdateData(true);
    ApplyEnableRule();
}

void CDigitalInputDlg::ApplyEnableRule()
{
    const bool enabled = enable_->isChecked();
    for (QWidget* control : followers_)
        control->setEnabled(enabled);
}
