#pragma once

#include "configurator/CExchangeDlg.h"
#include "configurator/DialogMessagePresenter.h"
#include "configurator/UnitConfig.h"
#include "configurator/UnitTransfer.h"

#include <QPointer>

#include <array>
#include <optional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QScrollBar;

// The configurator's main window: the main settings of the record, ten screen rows onto
// the 100-row function tone table with a scroll bar, the sub-dialogs, the transfers with
// the unit and the configuration files.
class CConfiguratorDlg : public CExchangeDlg {
    Q_OBJECT
public:
    static constexpr int kScreenRows = 10;
    static constexpr int kAboutCommand = 0x0010;

    CConfiguratorDlg(UnitConfig& config, UserInteraction& interaction, QWidget* parent = nullptr);

    UnitConfig& Config() { return config_; }
    int FirstRow() const { return firstRow_; }
    // Which port the transfers use: 0 "Com1", any other value "Com2".
    int PortSelection() const { return portSelection_; }

    // Shows table rows first ... first + 9 and puts every value into the controls.
    void ShowRows(int first);
    // Takes the values from the controls and copies the screen rows into the table.
    // The rows are copied even when a value was refused; false in that case, and the
    // caller then leaves the controls as they are. With every value accepted, a row
    // whose relay, group or duration changed gives its group and duration to every row
    // that names the same relay.
    bool CommitVisibleRows();
    // Screen row k (1...10) gives its relay group and duration to every row that names
    // the same relay.
    void PropagateRelaySettings(int screenRow);
    // After a receive or a load: scroll range, "msec" edit and rows from the record.
    void RefreshFromRecord();
    // A command of the window menu; kAboutCommand opens the About box.
    void SystemCommand(int command);

    // What "Load Config" says about a file that holds no configuration.
    static QString NoConfigurationText(const QString& path);

    // Commands of the buttons.
    void OnSendToUnit();
    void OnReceiveFromUnit();
    void OnLoadConfig();
    void OnSaveConfig();
    void OnComPort();
    void OnSetGains();
    void OnMorseCode();
    void OnTxFilters();
    void OnDig5Setup();
    void OnDig4Setup();
    void OnVoxPhone();
    void OnDigitalOutputLookup();
    void OnCtcssLookup();

    // Closing takes the rows on screen into the table first, without a word to the user.
    void done(int result) override;

protected:
    void DoDataExchange(DataExchange& exchange) override;
    void OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The wheel between the rows' controls scrolls the rows too.
    void wheelEvent(QWheelEvent* event) override;

private:
    // A screen row's values as its controls show them.
    struct ScreenRowValues {
        int toneActive = 1;
        std::string relayName;
        std::string relayGroup = "1";
        int relayDurationMs = 0;
        int digitalOutput = 0;
        int ctcssTone = 0;
        int useDefaultCtcss = 0;
    };
    struct ScreenRowControls {
        QLineEdit* label = nullptr;
        QCheckBox* toneActive = nullptr;
        QComboBox* relay = nullptr;
        QComboBox* group = nullptr;
        QLineEdit* duration = nullptr;
        QLineEdit* digitalOutput = nullptr;
        QLineEdit* ctcss = nullptr;
        QCheckBox* useDefaultCtcss = nullptr;
    };

    void CreateSettingsControls();
    void CreateTable();
    void CreateCommandButtons();
    QPushButton* CommandButton(const QString& text, int x, int y, int width, int height,
                               void (CConfiguratorDlg::*command)());
    ScreenRowControls CreateScreenRow(int screenRow);

    // CommitVisibleRows without a word to the user: a refused value is left in `refused`.
    bool CommitVisibleRowsQuietly(DataExchange::Refusal& refused);
    void CopyScreenRowsToTable(bool accepted);
    void ExchangeRow(DataExchange& exchange, int index);
    void ExchangePttFrequency(DataExchange& exchange);
    // A row whose Tone Active is off has its six other controls disabled.
    void ApplyToneActiveRule(int index);
    void SetScrollRangeForMode(int toneMode);
    void OnScrollAction(int action);
    // The row control `object` is, or belongs to (the text field of a relay combo box);
    // null for any other object.
    QWidget* RowControlOf(QObject* object) const;
    // Wheel events over the rows: they scroll the rows, except over the control the user
    // clicked into while it has the focus, which takes them as its own.
    bool FilterRowWheel(QWidget* control, QEvent* event);
    void ScrollRowsByWheel(const QWheelEvent& event);
    // Shows the refusal a scroll met, once the scroll bar is let go.
    void ReportScrollRefusal();
    // Runs the dialog on a copy of the record and takes the copy back on OK. The record
    // cannot change while the modal dialog runs, so the copy differs from it only in the
    // dialog's own fields.
    template <class SettingsDialog>
    void RunSettingsDialog();
    void OnToneModeClicked();
    void OnMonRelayModeClicked();
    void OnToneActiveClicked(int index);

    UnitConfig& config_;
    DialogMessagePresenter presenter_;
    UnitTransfer transfer_;
    int portSelection_ = 0;
    int firstRow_ = 1;
    bool propagating_ = false;
    // Screen rows whose relay settings are still to be given to the other rows of their relay.
    std::array<bool, kScreenRows> relayEdited_{};
    // A scroll met a refused value: it is shown after the scroll bar is let go, as a
    // message box opened while the mouse holds the arrow would take the release and leave
    // the arrow repeating.
    bool scrollBarHeld_ = false;
    std::optional<DataExchange::Refusal> scrollRefusal_;
    // The row control the user last clicked into, while it keeps the focus.
    QPointer<QWidget> clickedRowControl_;
    std::array<ScreenRowValues, kScreenRows> rows_{};
    std::array<ScreenRowControls, kScreenRows> rowControls_{};

    QCheckBox* errorBeeps_ = nullptr;
    QCheckBox* halfDuplex_ = nullptr;
    QCheckBox* audioLoopback_ = nullptr;
    QCheckBox* dtmfDecoderDisable_ = nullptr;
    QButtonGroup* toneMode_ = nullptr;
    QButtonGroup* ctcssToneMode_ = nullptr;
    QComboBox* pttFrequency_ = nullptr;
    QCheckBox* fullTimeTxAudio_ = nullptr;
    QCheckBox* repeaterMode_ = nullptr;
    QCheckBox* pttToneOnly_ = nullptr;
    QCheckBox* revertToR1_ = nullptr;
    QButtonGroup* pttAuxRelay_ = nullptr;
    QButtonGroup* monRelayMode_ = nullptr;
    QLineEdit* monRelayTime_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
};
