#include "configurator/CExchangeDlg.h"

#include <QPushButton>

CExchangeDlg::CExchangeDlg(UserInteraction& interaction, QWidget* parent, const QString& title,
                           int width, int height)
    : QDialog(parent), interaction_(interaction), layout_(this, title, width, height)
{
}

bool CExchangeDlg::UpdateData(bool fromControls)
{
    DataExchange exchange(fromControls ? DataExchange::Direction::FromControls
                                       : DataExchange::Direction::ToControls,
                          interaction_, this);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

bool CExchangeDlg::TakeValuesQuietly(DataExchange::Refusal& refused)
{
    DataExchange exchange(DataExchange::Direction::FromControls, interaction_, this,
                          DataExchange::Refusals::Quiet);
    DoDataExchange(exchange);
    refused = exchange.Refused();
    return !exchange.Failed();
}

void CExchangeDlg::accept()
{
    if (!UpdateData(true))
        return;
    QDialog::accept();
}

void CExchangeDlg::OnInitDialog()
{
    UpdateData(false);
}

void CExchangeDlg::showEvent(QShowEvent* event)
{
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

QPushButton* CExchangeDlg::AddOkButton(int x, int y, int width, int height)
{
    QPushButton* ok = layout_.Button(QStringLiteral("OK"), x, y, width, height);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CExchangeDlg::accept);
    return ok;
}

QPushButton* CExchangeDlg::AddCancelButton(int x, int y, int width, int height)
{
    QPushButton* cancel = layout_.Button(QStringLiteral("Cancel"), x, y, width, height);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, &CExchangeDlg::reject);
    return cancel;
}
