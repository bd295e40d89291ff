// The dialog's closing rules with Pellori.Application, the window menu, the
// program's switches and registration, without a server.
#include "automation/core/ApplicationLock.h"
#include "automation/dbus/ClassesRoot.h"
#include "upgrade/CPelloriApp.h"
#include "upgrade/CPelloriDlg.h"
#include "upgrade/CPelloriDlgAutoProxy.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/tests/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class PelloriProxyTest : public ::testing::Test {
protected:
    PelloriProxyTest() : dialog_(driver_, prompts_) { dialog_.show(); }

    void Click(int id) { QTest::mouseClick(dialog_.findChild<QPushButton*>(QStringLiteral("id%1").arg(id)), Qt::LeftButton); }

    // A driver that never creates anything needs no bus.
    Ez2181Driver driver_{QDBusConnection(QString())};
    ScriptedPrompts prompts_;
    CPelloriDlg dialog_;
    ApplicationLock lock_;
};

TEST_F(PelloriProxyTest, WhileAProxyHoldsTheDialogClosingOnlyHidesIt)
{
    QSignalSpy finished(&dialog_, &QDialog::finished);
    auto proxy = std::make_unique<CPelloriDlgAutoProxy>(&dialog_, lock_);
    EXPECT_EQ(dialog_.AutomationProxy(), proxy.get());
    EXPECT_EQ(lock_.count(), 1);

    Click(CPelloriDlg::kOk);
    EXPECT_FALSE(dialog_.isVisible());
    dialog_.show();
    Click(CPelloriDlg::kCancel);
    EXPECT_FALSE(dialog_.isVisible());
    dialog_.show();
    dialog_.close();
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(finished.count(), 0);

    proxy.reset();
    EXPECT_EQ(dialog_.AutomationProxy(), nullptr);
    EXPECT_EQ(lock_.count(), 0);
    dialog_.show();
    Click(CPelloriDlg::kCancel);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Rejected);
}

TEST_F(PelloriProxyTest, OkWithoutAProxyEndsTheDialogWithAccepted)
{
    QSignalSpy finished(&dialog_, &QDialog::finished);
    Click(CPelloriDlg::kOk);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);
}

TEST_F(PelloriProxyTest, EnterInTheStatusBoxPressesOkAndBreaksNoLine)
{
    QSignalSpy finished(&dialog_, &QDialog::finished);
    dialog_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    auto* status = dialog_.findChild<QPlainTextEdit*>(QStringLiteral("id%1").arg(CPelloriDlg::kStatus));
    QTest::mouseClick(status->viewport(), Qt::LeftButton);
    ASSERT_TRUE(status->hasFocus());
    QTest::keyClicks(status, QStringLiteral("typed"));
    QTest::keyClick(status, Qt::Key_Return);
    EXPECT_EQ(status->toPlainText(), QStringLiteral("typed"));
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);

    // Enter on the keypad too.
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    QTest::mouseClick(status->viewport(), Qt::LeftButton);
    QTest::keyClick(status, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(status->toPlainText(), QStringLiteral("typed"));
    EXPECT_EQ(finished.count(), 2);
}

TEST_F(PelloriProxyTest, LastUnlockHappensAfterTheDialogLetGoOfTheProxy)
{
    auto proxy = std::make_unique<CPelloriDlgAutoProxy>(&dialog_, lock_);
    bool proxyClearedFirst = false;
    lock_.SetOnLastUnlock([&] { proxyClearedFirst = dialog_.AutomationProxy() == nullptr; });
    proxy.reset();
    EXPECT_TRUE(proxyClearedFirst);
}

TEST_F(PelloriProxyTest, AModalWindowOverTheDialogKeepsItWhenTheClientLetsGo)
{
    QSignalSpy finished(&dialog_, &QDialog::finished);
    {
        QMessageBox covering(QMessageBox::NoIcon, QStringLiteral("Pellori"), QStringLiteral("open"), QMessageBox::Ok, &dialog_);
        covering.setWindowModality(Qt::ApplicationModal);
        covering.show();
        ASSERT_EQ(QApplication::activeModalWidget(), &covering);
        EXPECT_FALSE(dialog_.EndUnlessCovered());
        EXPECT_EQ(finished.count(), 0);
    }
    EXPECT_TRUE(dialog_.EndUnlessCovered());
    EXPECT_EQ(finished.count(), 1);
}

TEST(PelloriProxyLifeTest, ADialogDestroyedFirstClearsTheProxysReference)
{
    ApplicationLock lock;
    Ez2181Driver driver{QDBusConnection(QString())};
    ScriptedPrompts prompts;
    auto dialog = std::make_unique<CPelloriDlg>(driver, prompts);
    CPelloriDlgAutoProxy proxy(dialog.get(), lock);
    EXPECT_EQ(proxy.Dialog(), dialog.get());
    dialog.reset();
    EXPECT_EQ(proxy.Dialog(), nullptr);
    EXPECT_EQ(lock.count(), 1);
}

TEST(PelloriProxyLifeTest, TheProxyHasNoMembers)
{
    CPelloriDlgAutoProxy proxy(nullptr, ApplicationLock::Process());
    std::int32_t dispid = 0;
    EXPECT_EQ(proxy.GetIDsOfNames("Visible", dispid), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(proxy.Invoke(1, InvokeKind::Method, {}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_TRUE(CPelloriDlgAutoProxy::Map().members().empty());
}

TEST_F(PelloriProxyTest, WindowMenuAndAboutButtonShowTheAboutBox)
{
    const QList<QAction*> entries = dialog_.SystemMenu()->actions();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("&About Pellori..."));
    entries[0]->trigger();
    EXPECT_EQ(prompts_.aboutBoxes, 1);
    // The low four bits of a system command are the system's own.
    dialog_.SystemCommand(CPelloriDlg::kAboutCommand | 0x5);
    EXPECT_EQ(prompts_.aboutBoxes, 2);
    dialog_.SystemCommand(0xF060);
    dialog_.SystemCommand(32);
    EXPECT_EQ(prompts_.aboutBoxes, 2);
    Click(CPelloriDlg::kAbout);
    EXPECT_EQ(prompts_.aboutBoxes, 3);
}

TEST(PelloriDialogTextTest, RateTextsConvertWithAutomaticBase)
{
    EXPECT_EQ(CPelloriDlg::RateOfText(QStringLiteral("9600")), 9600);
    EXPECT_EQ(CPelloriDlg::RateOfText(QStringLiteral("115200")), 115200);
    EXPECT_EQ(CPelloriDlg::RateOfText(QStringLiteral("0x2580")), 9600);
    EXPECT_EQ(CPelloriDlg::RateOfText(QStringLiteral("022600")), 9600);
    EXPECT_EQ(CPelloriDlg::RateOfText(QStringLiteral("19200 baud")), 19200);
    EXPECT_EQ(CPelloriDlg::RateOfText(QString()), 0);
}

TEST(PelloriDialogTextTest, ErrorTextsAreCutAfter99Characters)
{
    EXPECT_EQ(CPelloriDlg::CutErrorText(std::string(99, 'a')), std::string(99, 'a'));
    EXPECT_EQ(CPelloriDlg::CutErrorText(std::string(100, 'b')), std::string(99, 'b'));
    EXPECT_EQ(CPelloriDlg::CutErrorText("short"), "short");
}

TEST(PelloriAppTest, AutomationSwitchesAreTakenOffTheCommandLineCaseSensitively)
{
    std::vector<std::string> args{"pellori", "-Embedding"};
    EXPECT_TRUE(CPelloriApp::TakeAutomationSwitch(args));
    EXPECT_EQ(args, std::vector<std::string>{"pellori"});

    args = {"pellori", "/Automation", "x.bnm"};
    EXPECT_TRUE(CPelloriApp::TakeAutomationSwitch(args));
    EXPECT_EQ(args, (std::vector<std::string>{"pellori", "x.bnm"}));

    for (const char* other : {"-embedding", "/AUTOMATION", "Embedding", "--Embedding"}) {
        args = {"pellori", other};
        EXPECT_FALSE(CPelloriApp::TakeAutomationSwitch(args)) << other;
        EXPECT_EQ(args.size(), 2u);
    }
}

TEST(PelloriAppTest, RegistrationWritesTheSixEntriesOfPelloriApplication)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());

    ASSERT_TRUE(CPelloriApp::Register("/opt/tools/pellori"));
    const ClassesRoot classes;
    const std::string clsid = CPelloriDlgAutoProxy::kClassId;
    EXPECT_EQ(classes.ClassIdOfProgId("pellori.application"), clsid);
    EXPECT_EQ(classes.Value("Pellori.Application"), "Pellori.Application");
    EXPECT_EQ(classes.Value("CLSID\\" + clsid), "Pellori.Application");
    EXPECT_EQ(classes.Value("CLSID\\" + clsid + "\\ProgID"), "Pellori.Application");
    EXPECT_EQ(classes.Value("CLSID\\" + clsid + "\\InprocHandler32"), "ole32.dll");
    EXPECT_EQ(classes.Value("CLSID\\" + clsid + "\\LocalServer32"), "/opt/tools/pellori");

    qputenv("XDG_CONFIG_HOME", savedConfig);
    qputenv("XDG_DATA_HOME", savedData);
}

}  // namespace
