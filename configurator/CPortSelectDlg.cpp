#include "configurator/CPortSelectDlg.h"

#include <QButtonGroup>
#include <QRadioButton>

CPortSelectDlg::CPortSelectDlg(UserInteraction& interaction, QWidget* parent)
    : CExchangeDlg(interaction, parent, QStringLiteral("Serial Commincations Port Select"), 146, 55)
{
    ports_ = new QButtonGroup(this);
    layout_.Radio(ports_, QStringLiteral("Com 1"), QStringLiteral("com1"), 20, 12, 50);
    layout_.Radio(ports_, QStringLiteral("Com 2"), QStringLiteral("com2"), 20, 30, 50);
    AddOkButton(89, 7);
}

void CPortSelectDlg::DoDataExchange(DataExchange& exchange)
{
    if (!exchange.FromControls()) {
        // Any selection other than 0 names the second port, so it shows as "Com 2".
        int shown = portSelection == 0 ? 0 : 1;
        exchange.Radio(ports_, shown);
        return;
    }
    int chosen = -1;
    exchange.Radio(ports_, chosen);
    if (chosen >= 0)
        portSelection = chosen;
}
