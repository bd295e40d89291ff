// Every dialog keeps its controls inside its face, apart from each other, and wide enough
// for their texts in the dialog font.

#include "configurator/CConfigAboutDlg.h"
#include "configurator/CConfiguratorDlg.h"
#include "configurator/CCtcssLookupDlg.h"
#include "configurator/CDig4CorDlg.h"
#include "configurator/CDig5ToneDlg.h"
#include "configurator/CDigitalIoLookupDlg.h"
#include "configurator/CGainSettingsDlg.h"
#include "configurator/CMorseCodeDlg.h"
#include "configurator/CPortSelectDlg.h"
#include "configurator/CTxAudioDlg.h"
#include "configurator/CVoxPhoneDlg.h"
#include "configurator/tests/ScriptedInteraction.h"
#include "widgets/DialogUnits.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

std::string Describe(const QWidget* widget)
{
    QString text;
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        text = button->text();
    else if (auto* label = qobject_cast<const QLabel*>(widget))
        text = label->text();
    return (QString::fromLatin1(widget->metaObject()->className()) + u' ' + widget->objectName() +
            QStringLiteral(" \"") + text + u'"')
        .toStdString();
}

// The controls placed directly on the dialog, group boxes aside (they frame others).
QList<QWidget*> Controls(const QDialog& dialog)
{
    QList<QWidget*> controls;
    for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isHidden() && qobject_cast<QGroupBox*>(child) == nullptr)
            controls << child;
    return controls;
}

// Width the text of a button, check box or radio button needs.
int NeededWidth(const QAbstractButton& button)
{
    const int text = button.fontMetrics().horizontalAdvance(button.text().split(u'\n').first());
    if (qobject_cast<const QCheckBox*>(&button) != nullptr)
        return text + button.style()->pixelMetric(QStyle::PM_IndicatorWidth) +
               button.style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    if (qobject_cast<const QRadioButton*>(&button) != nullptr)
        return text + button.style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
               button.style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    return text;
}

void ExpectTidy(QDialog& dialog)
{
    dialog.show();
    SCOPED_TRACE(dialog.windowTitle().toStdString());
    EXPECT_EQ(dialog.font().family(), DialogUnits::DialogFont().family());
    const QList<QWidget*> controls = Controls(dialog);
    ASSERT_FALSE(controls.isEmpty());
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QWidget* control = controls[i];
        EXPECT_TRUE(dialog.rect().contains(control->geometry())) << Describe(control);
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(control->geometry().intersects(controls[j]->geometry()))
                << Describe(control) << " overlaps " << Describe(controls[j]);
        }
        if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
            EXPECT_LE(NeededWidth(*button), button->width()) << Describe(control);
        }
        if (auto* label = qobject_cast<const QLabel*>(control); label != nullptr && label->pixmap().isNull()) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height()) << Describe(control);
        }
    }
}

TEST(DialogLayoutTest, EveryDialogIsTidy)
{
    ScriptedInteraction ui;
    UnitConfig config;
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.push_back(std::make_unique<CConfiguratorDlg>(config, ui));
    dialogs.push_back(std::make_unique<CGainSettingsDlg>(ui));
    dialogs.push_back(std::make_unique<CMorseCodeDlg>(ui));
    dialogs.push_back(std::make_unique<CTxAudioDlg>(ui));
    dialogs.push_back(std::make_unique<CVoxPhoneDlg>(ui));
    dialogs.push_back(std::make_unique<CDig5ToneDlg>(ui));
    dialogs.push_back(std::make_unique<CDig4CorDlg>(ui));
    dialogs.push_back(std::make_unique<CPortSelectDlg>(ui));
    dialogs.push_back(std::make_unique<CCtcssLookupDlg>());
    dialogs.push_back(std::make_unique<CDigitalIoLookupDlg>());
    dialogs.push_back(std::make_unique<CConfigAboutDlg>());
    for (const auto& dialog : dialogs)
        ExpectTidy(*dialog);
}

TEST(DialogLayoutTest, DialogsHaveTheirSizeInDialogUnits)
{
    ScriptedInteraction ui;
    UnitConfig config;
    const DialogUnits units(DialogUnits::DialogFont());
    CConfiguratorDlg main(config, ui);
    EXPECT_EQ(main.size(), QSize(units.X(394), units.Y(277)));
    CDigitalIoLookupDlg digitalIo;
    EXPECT_EQ(digitalIo.size(), QSize(units.X(376), units.Y(353)));
    CPortSelectDlg ports(ui);
    EXPECT_EQ(ports.size(), QSize(units.X(146), units.Y(55)));
}

}  // namespace
