#include "configurator/CSettingsDlg.h"

#include <QCheckBox>

CSettingsDlg::CSettingsDlg(UserInteraction& interaction, QWidget* parent, const QString& title,
                           int width, int height)
    : CExchangeDlg(interaction, parent, title, width, height)
{
}

QCheckBox* CSettingsDlg::Bind(QCheckBox* box, Field field)
{
    bindings_.push_back({box, nullptr, field, 0, 0});
    return box;
}

QLineEdit* CSettingsDlg::Bind(QLineEdit* edit, Field field, int min, int max)
{
    bindings_.push_back({nullptr, edit, field, min, max});
    return edit;
}

void CSettingsDlg::DoDataExchange(DataExchange& exchange)
{
    for (const Binding& binding : bindings_) {
        if (binding.box)
            exchange.Check(binding.box, config.*binding.field);
        else
            exchange.Integer(binding.edit, config.*binding.field, binding.min, binding.max);
    }
}
