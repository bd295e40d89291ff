#include "upgrade/tests/PelloriDialogFixture.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

void PelloriDialogFixture::TearDown()
{
    dialog_.reset();
    driver_.reset();
    connection_.reset();
    PelloriBus::TearDown();
}

void PelloriDialogFixture::MakeDialog()
{
    connection_ = std::make_unique<QDBusConnection>(Connect());
    driver_ = std::make_unique<Ez2181Driver>(*connection_);
    dialog_ = std::make_unique<CPelloriDlg>(*driver_, prompts_);
}

void PelloriDialogFixture::Open()
{
    MakeDialog();
    dialog_->show();
    dialog_->InitDialog();
}

void PelloriDialogFixture::OpenOnFakeServer()
{
    RegisterFakeServer();
    StartBus();
    Open();
}

QPushButton* PelloriDialogFixture::Button(int id)
{
    return dialog_->findChild<QPushButton*>(QStringLiteral("id%1").arg(id));
}

QComboBox* PelloriDialogFixture::BaudList()
{
    return dialog_->findChild<QComboBox*>(QStringLiteral("id%1").arg(CPelloriDlg::kBaudList));
}

QPlainTextEdit* PelloriDialogFixture::StatusBox()
{
    return dialog_->findChild<QPlainTextEdit*>(QStringLiteral("id%1").arg(CPelloriDlg::kStatus));
}

void PelloriDialogFixture::Click(int id)
{
    QTest::mouseClick(Button(id), Qt::LeftButton);
}

void PelloriDialogFixture::ClickChoosing(int id, const QString& file)
{
    prompts_.AnswerFile(file);
    Click(id);
}
