#pragma once

#include "upgrade/InputBlockingCallRunner.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class CPelloriDlgAutoProxy;
class Ez2181Driver;
class QComboBox;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class UserPrompts;

// The upgrade dialog: choose the line rate, wait for the board's power-on,
// program a .bnm file into its flash or verify the flash against one. Every
// board action is one call of the program's Ez2181Driver; the dialog only
// sequences the calls and shows their outcome in the status box.
//
// While a server call runs the dialog is repainted but ignores input; while
// flash is programmed or verified, the progress shows under the status text.
class CPelloriDlg : public QDialog {
    Q_OBJECT

public:
    // Control identifiers of the dialog template, used as object names "id<n>";
    // kDetails is the program's own, shown only beside a cut error text.
    enum ControlId { kOk = 1,
                     kCancel = 2,
                     kBaudList = 1001,
                     kPowerOn = 1002,
                     kStatus = 1003,
                     kProgram = 1004,
                     kVerify = 1005,
                     kAbout = 1006,
                     kDetails = 1007 };
    // The system-menu entry's command.
    static constexpr int kAboutCommand = 16;
    static constexpr std::size_t kMaxErrorText = 99;

    static constexpr const char* kAboutMenuText = "&About Pellori...";

    CPelloriDlg(Ez2181Driver& driver, UserPrompts& prompts, QWidget* parent = nullptr);
    ~CPelloriDlg() override;

    // The start-up sequence: creates the server object, asks it for
    // exceptions, sets 9600 baud and selects "9600". Failures are shown in a
    // message box; the dialog opens all the same. Creation runs like every
    // server call: painted, input dropped, the status box saying what for.
    void InitDialog();

    // Set while an automation client holds Pellori.Application; closing then only hides.
    void SetAutomationProxy(CPelloriDlgAutoProxy* proxy) { proxy_ = proxy; }
    CPelloriDlgAutoProxy* AutomationProxy() const { return proxy_; }

    // For a program started by a client that has let go: ends the dialog
    // unless one of its own modal windows (file dialog, message or About box)
    // is open over it, which the user closes first. True if it ended.
    bool EndUnlessCovered();

    // A command of the window menu; the About entry is kAboutCommand.
    void SystemCommand(int command);
    QMenu* SystemMenu() const { return systemMenu_; }

    // The last status text written, exactly ("\r\n" between lines).
    const std::string& StatusText() const { return statusText_; }
    // The text of the selected rate, as last read from the list.
    const QString& BaudRateText() const { return baudRateText_; }
    bool CallRunning() const { return runner_.Running(); }
    InputBlockingCallRunner& CallRunner() { return runner_; }

    // The rate a list text stands for: decimal, or "0x" hexadecimal, or
    // leading-"0" octal, up to the first character that does not belong.
    static std::int32_t RateOfText(const QString& text);
    // At most the first kMaxErrorText characters of an error's text.
    static std::string CutErrorText(const std::string& text);
    // The failure behind "Details...", whole; empty while the status holds none that was cut.
    const std::string& WholeFailure() const { return wholeFailure_; }

    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private slots:
    void OnBaudChange();
    void OnPowerOn();
    void OnProgram();
    void OnVerify();
    void OnAbout();
    void OnDetails();

private:
    struct FlashAction {
        const char* busyText;
        const char* successText;
        const char* failureHeading;
        std::function<void(const std::string& path)> call;
    };

    void BuildControls();
    void OpenSystemMenu();
    void CreateServerObject();
    void UpdateData(bool saveAndValidate);
    void SetStatus(const std::string& text);
    // The heading and the error's text, cut to kMaxErrorText characters; a
    // text that was cut shows "Details...", which opens it whole.
    void ShowFailure(const std::string& heading, const std::string& error);
    void ShowProgress(std::uint64_t done, std::uint64_t total);
    void RunFlashAction(const FlashAction& action);
    // Runs a server call; returns the error's whole text, or nullopt when it succeeded.
    std::optional<std::string> TryCall(const std::function<void()>& call);

    Ez2181Driver& driver_;
    UserPrompts& prompts_;
    InputBlockingCallRunner runner_;
    CPelloriDlgAutoProxy* proxy_ = nullptr;
    QComboBox* baudList_ = nullptr;
    QPlainTextEdit* statusBox_ = nullptr;
    QPushButton* detailsButton_ = nullptr;
    QMenu* systemMenu_ = nullptr;
    QString baudRateText_;
    std::string statusText_;
    std::string wholeFailure_;
};
