#include "configurator/CSettingsDlg.h"

CSettingsDlg::CSettingsDlg(UserInteraction& interaction, QWidget* parent, const QString& title,
                           int width, int height)
    : CExchangeDlg(interaction, parent, title, width, height)
{
}
