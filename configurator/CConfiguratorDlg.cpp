#include "configurator/CConfiguratorDlg.h"

#include "configurator/AppIcon.h"
#include "configurator/CConfigAboutDlg.h"
#include "configurator/CCtcssLookupDlg.h"
#include "configurator/CDig4CorDlg.h"
#include "configurator/CDig5ToneDlg.h"
#include "configurator/CDigitalIoLookupDlg.h"
#include "configurator/CGainSettingsDlg.h"
#include "configurator/CMorseCodeDlg.h"
#include "configurator/CPortSelectDlg.h"
#include "configurator/CTxAudioDlg.h"
#include "configurator/CVoxPhoneDlg.h"
#include "configurator/ConfigFile.h"
#include "configurator/UnitConversions.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr int kSingleFirstRow = 1;
constexpr int kSingleLastFirstRow = 7;  // rows 1-16 reachable
constexpr int kDualFirstRow = 0;
constexpr int kDualLastFirstRow = 90;  // rows 0-99 reachable
constexpr int kRowTop = 84;
constexpr int kRowPitch = 14;
constexpr int kMonRelayMomentary = 2;

const QStringList kPttFrequencies{
    QStringLiteral("2100"), QStringLiteral("2155"), QStringLiteral("2175"), QStringLiteral("2300"),
    QStringLiteral("2325"), QStringLiteral("2600"), QStringLiteral("2800"), QStringLiteral("2970")};

// The text of string resource 101, the window menu's About entry.
const QString kAboutMenuText = QStringLiteral("&About dspQ47...");

// Marks the controls of the screen rows, whose wheel scrolls the rows.
constexpr const char* kRowControl = "rowControl";

bool IsSingleMode(int toneMode)
{
    return toneMode == 0;
}

// Relay texts are kept without blanks: the file cannot hold a blank inside a relay word,
// and a text of blanks only means no relay.
std::string WithoutBlanks(std::string text)
{
    std::erase_if(text, [](unsigned char c) { return c == ' ' || c == '\t'; });
    return text;
}

QString RowLabel(int index)
{
    return QStringLiteral("F%1").arg(index, 2, 10, QLatin1Char('0'));
}

}  // namespace

CConfiguratorDlg::CConfiguratorDlg(UnitConfig& config, UserInteraction& interaction, QWidget* parent)
    : CExchangeDlg(interaction, parent, QStringLiteral("DSP-Q47 Configuration Application V2.8"), 394,
                   277),
      config_(config),
      presenter_(interaction, this),
      transfer_(presenter_)
{
    CreateSettingsControls();
    CreateTable();
    CreateCommandButtons();
}

void CConfiguratorDlg::CreateSettingsControls()
{
    layout_.Group(QStringLiteral("Error Beeps"), 11, 7, 56, 22);
    errorBeeps_ = layout_.Check(QStringLiteral("Enable"), QStringLiteral("errorBeeps"), 18, 17, 44);
    layout_.Group(QStringLiteral("Half Duplex"), 73, 7, 56, 22);
    halfDuplex_ = layout_.Check(QStringLiteral("Active"), QStringLiteral("halfDuplex"), 80, 17, 44);
    layout_.Group(QStringLiteral("Audio Loopback"), 135, 7, 64, 22);
    audioLoopback_ = layout_.Check(QStringLiteral("Enable"), QStringLiteral("audioLoopback"), 142, 17, 50);
    layout_.Group(QStringLiteral("Line DTMF Decoder"), 205, 7, 74, 22);
    dtmfDecoderDisable_ = layout_.Check(QStringLiteral("Disable"), QStringLiteral("dtmfDecoderDisable"), 212, 17, 50);

    layout_.Group(QStringLiteral("Function Tone Mode"), 11, 31, 118, 22);
    toneMode_ = new QButtonGroup(this);
    layout_.Radio(toneMode_, QStringLiteral("Single"), QStringLiteral("single"), 18, 41, 44);
    layout_.Radio(toneMode_, QStringLiteral("Dual"), QStringLiteral("dual"), 70, 41, 44);
    connect(toneMode_, &QButtonGroup::idClicked, this, [this] { OnToneModeClicked(); });

    layout_.Group(QStringLiteral("CTCSS Tone"), 135, 31, 144, 22);
    ctcssToneMode_ = new QButtonGroup(this);
    layout_.Radio(ctcssToneMode_, QStringLiteral("PTT Only"), QStringLiteral("pttOnly"), 142, 41, 54);
    layout_.Radio(ctcssToneMode_, QStringLiteral("Always On"), QStringLiteral("alwaysOn"), 204, 41, 60);

    layout_.Group(QStringLiteral("PTT Options"), 293, 7, 94, 134);
    layout_.Label(QStringLiteral("PTT Frequency"), 300, 18, 80, 10);
    pttFrequency_ = layout_.Combo(kPttFrequencies, false, QStringLiteral("pttFrequency"), 300, 28, 48);
    fullTimeTxAudio_ = layout_.Check(QStringLiteral("Full Time TX Audio"), QStringLiteral("fullTimeTxAudio"), 300, 45, 84);
    repeaterMode_ = layout_.Check(QStringLiteral("Repeater Mode"), QStringLiteral("repeaterMode"), 300, 57, 84);
    pttToneOnly_ = layout_.Check(QStringLiteral("PTT Tone Only"), QStringLiteral("pttToneOnly"), 300, 69, 84);
    revertToR1_ = layout_.Check(QStringLiteral("Revert to R1"), QStringLiteral("revertToR1"), 300, 81, 84);
    pttAuxRelay_ = new QButtonGroup(this);
    layout_.Radio(pttAuxRelay_, QStringLiteral("No Aux Relays"), QStringLiteral("noAuxRelays"), 300, 97, 84);
    layout_.Radio(pttAuxRelay_, QStringLiteral("R1 Also on PTT"), QStringLiteral("r1AlsoOnPtt"), 300, 109, 84);
    layout_.Radio(pttAuxRelay_, QStringLiteral("R2 Also on PTT"), QStringLiteral("r2AlsoOnPtt"), 300, 121, 84);

    layout_.Group(QStringLiteral("MON Relay Options"), 293, 145, 94, 66);
    monRelayMode_ = new QButtonGroup(this);
    layout_.Radio(monRelayMode_, QStringLiteral("Reset on PTT"), QStringLiteral("resetOnPtt"), 300, 157, 84);
    layout_.Radio(monRelayMode_, QStringLiteral("Always Except PTT"), QStringLiteral("alwaysExceptPtt"), 300, 169, 84);
    layout_.Radio(monRelayMode_, QStringLiteral("Momentary"), QStringLiteral("momentary"), 300, 181, 84);
    monRelayTime_ = layout_.EditRow(QString(), QStringLiteral("monRelayTimeMs"), 300, 194, 10, 36,
                                    QStringLiteral("msec"));
    connect(monRelayMode_, &QButtonGroup::idClicked, this, [this] { OnMonRelayModeClicked(); });
}

void CConfiguratorDlg::CreateTable()
{
    layout_.CentredLabel(QStringLiteral("Function Tone"), 7, 62, 29, 20);
    layout_.CentredLabel(QStringLiteral("Tone Active"), 36, 62, 28, 20);
    layout_.CentredLabel(QStringLiteral("Relay"), 64, 70, 34, 10);
    layout_.CentredLabel(QStringLiteral("Relay Group"), 99, 62, 30, 20);
    layout_.CentredLabel(QStringLiteral("Relay Duration (msec)"), 129, 58, 38, 26);
    CommandButton(QStringLiteral("Digital\nOutput"), 170, 58, 30, 22,
                  &CConfiguratorDlg::OnDigitalOutputLookup)
        ->setObjectName(QStringLiteral("digitalOutputLookup"));
    CommandButton(QStringLiteral("CTCSS\nFreq"), 204, 58, 30, 22, &CConfiguratorDlg::OnCtcssLookup)
        ->setObjectName(QStringLiteral("ctcssLookup"));
    layout_.CentredLabel(QStringLiteral("Use Default CTCSS"), 236, 58, 30, 26);

    for (int k = 1; k <= kScreenRows; ++k)
        rowControls_[static_cast<std::size_t>(k - 1)] = CreateScreenRow(k);

    scrollBar_ = layout_.VerticalScrollBar(267, kRowTop, 10, kScreenRows * kRowPitch - 2);
    scrollBar_->setObjectName(QStringLiteral("rowScrollBar"));
    scrollBar_->setSingleStep(1);
    scrollBar_->setPageStep(kScreenRows);
    connect(scrollBar_, &QScrollBar::actionTriggered, this, [this](int action) { OnScrollAction(action); });
    scrollBar_->installEventFilter(this);
}

CConfiguratorDlg::ScreenRowControls CConfiguratorDlg::CreateScreenRow(int screenRow)
{
    const int y = kRowTop + (screenRow - 1) * kRowPitch;
    const QString prefix = QStringLiteral("row%1").arg(screenRow);
    ScreenRowControls row;
    row.label = layout_.Edit(prefix + QStringLiteral("Label"), 11, y, 22);
    row.label->setEnabled(false);
    row.toneActive = layout_.Check(QString(), prefix + QStringLiteral("Active"), 45, y + 1, 12);
    row.relay = layout_.Combo({QStringLiteral("R01"), QStringLiteral("R02")}, true, prefix + QStringLiteral("Relay"), 64, y, 34);
    row.group = layout_.Combo({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                               QStringLiteral("4")},
                              true, prefix + QStringLiteral("Group"), 101, y, 26);
    row.duration = layout_.Edit(prefix + QStringLiteral("Duration"), 131, y, 34);
    row.digitalOutput = layout_.Edit(prefix + QStringLiteral("DigitalOutput"), 172, y, 26);
    row.ctcss = layout_.Edit(prefix + QStringLiteral("Ctcss"), 206, y, 26);
    row.useDefaultCtcss = layout_.Check(QString(), prefix + QStringLiteral("UseDefault"), 247, y + 1, 12);

    for (QWidget* control : {static_cast<QWidget*>(row.label), static_cast<QWidget*>(row.toneActive),
                             static_cast<QWidget*>(row.relay), static_cast<QWidget*>(row.group),
                             static_cast<QWidget*>(row.duration), static_cast<QWidget*>(row.digitalOutput),
                             static_cast<QWidget*>(row.ctcss), static_cast<QWidget*>(row.useDefaultCtcss)}) {
        control->setProperty(kRowControl, true);
        control->installEventFilter(this);
    }
    for (QComboBox* combo : {row.relay, row.group}) {
        // The wheel alone does not take the focus: a combo box is clicked into first.
        combo->setFocusPolicy(Qt::StrongFocus);
        combo->lineEdit()->installEventFilter(this);
    }

    const int index = screenRow - 1;
    connect(row.toneActive, &QCheckBox::clicked, this, [this, index] { OnToneActiveClicked(index); });
    for (QWidget* relaySetting : {static_cast<QWidget*>(row.relay), static_cast<QWidget*>(row.group),
                                  static_cast<QWidget*>(row.duration)}) {
        relaySetting->setProperty("screenRow", screenRow);
        relaySetting->installEventFilter(this);
    }
    return row;
}

void CConfiguratorDlg::CreateCommandButtons()
{
    QPushButton* trevan = CommandButton(QStringLiteral("Trevan Mode"), 310, 216, 60, 14,
                                        &CConfiguratorDlg::OnVoxPhone);
    trevan->setObjectName(QStringLiteral("trevanMode"));
    trevan->setEnabled(false);
    trevan->setVisible(false);

    CommandButton(QStringLiteral("Dig4 Setup"), 11, 236, 52, 14, &CConfiguratorDlg::OnDig4Setup);
    CommandButton(QStringLiteral("Set Gains"), 67, 236, 52, 14, &CConfiguratorDlg::OnSetGains);
    CommandButton(QStringLiteral("Com Port"), 123, 236, 52, 14, &CConfiguratorDlg::OnComPort);
    CommandButton(QStringLiteral("Dig5 Setup"), 11, 255, 52, 14, &CConfiguratorDlg::OnDig5Setup);
    CommandButton(QStringLiteral("Morse Code"), 67, 255, 52, 14, &CConfiguratorDlg::OnMorseCode);
    CommandButton(QStringLiteral("TX Filters"), 123, 255, 52, 14, &CConfiguratorDlg::OnTxFilters);
    CommandButton(QStringLiteral("Send To Q47"), 183, 236, 56, 14, &CConfiguratorDlg::OnSendToUnit);
    CommandButton(QStringLiteral("Recv From Q47"), 183, 255, 56, 14, &CConfiguratorDlg::OnReceiveFromUnit);
    CommandButton(QStringLiteral("Load Config"), 245, 236, 56, 14, &CConfiguratorDlg::OnLoadConfig);
    CommandButton(QStringLiteral("Save Config"), 245, 255, 56, 14, &CConfiguratorDlg::OnSaveConfig);
    QPushButton* exit = layout_.Button(QStringLiteral("EXIT Application"), 309, 236, 78, 33);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
}

QPushButton* CConfiguratorDlg::CommandButton(const QString& text, int x, int y, int width, int height,
                                             void (CConfiguratorDlg::*command)())
{
    QPushButton* button = layout_.Button(text, x, y, width, height);
    connect(button, &QPushButton::clicked, this, command);
    return button;
}

void CConfiguratorDlg::OnInitDialog()
{
    auto* about = new QAction(kAboutMenuText, this);
    connect(about, &QAction::triggered, this, [this] { SystemCommand(kAboutCommand); });
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addActions({separator, about});
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setWindowIcon(AppIcon::Make());

    config_.ResetToDefaults();
    monRelayTime_->setEnabled(config_.monRelayMode == kMonRelayMomentary);
    SetScrollRangeForMode(config_.toneMode);
    ShowRows(IsSingleMode(config_.toneMode) ? kSingleFirstRow : kDualFirstRow);
}

void CConfiguratorDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Check(errorBeeps_, config_.errorBeeps);
    exchange.Check(halfDuplex_, config_.halfDuplex);
    exchange.Check(audioLoopback_, config_.audioLoopback);
    exchange.Check(dtmfDecoderDisable_, config_.dtmfDecoderDisable);
    exchange.Radio(toneMode_, config_.toneMode);
    exchange.Radio(ctcssToneMode_, config_.ctcssToneMode);
    for (int index = 0; index < kScreenRows; ++index)
        ExchangeRow(exchange, index);
    ExchangePttFrequency(exchange);
    exchange.Check(fullTimeTxAudio_, config_.fullTimeTxAudio);
    exchange.Check(repeaterMode_, config_.repeaterMode);
    exchange.Check(pttToneOnly_, config_.pttToneOnly);
    exchange.Check(revertToR1_, config_.revertToR1);
    exchange.Radio(pttAuxRelay_, config_.pttAuxRelay);
    exchange.Radio(monRelayMode_, config_.monRelayMode);
    exchange.Integer(monRelayTime_, config_.monRelayTimeMs, 0, 60000);
}

void CConfiguratorDlg::ExchangeRow(DataExchange& exchange, int index)
{
    ScreenRowValues& values = rows_[static_cast<std::size_t>(index)];
    const ScreenRowControls& controls = rowControls_[static_cast<std::size_t>(index)];
    exchange.Check(controls.toneActive, values.toneActive);
    exchange.ComboText(controls.relay, values.relayName);
    exchange.ComboText(controls.group, values.relayGroup);
    exchange.Integer(controls.duration, values.relayDurationMs, 0, 30000);
    exchange.Integer(controls.digitalOutput, values.digitalOutput, 0, 64);
    exchange.Integer(controls.ctcss, values.ctcssTone, 0, 64);
    exchange.Check(controls.useDefaultCtcss, values.useDefaultCtcss);
}

void CConfiguratorDlg::ExchangePttFrequency(DataExchange& exchange)
{
    if (!exchange.FromControls()) {
        // A frequency the list does not offer (from a file or the unit) is shown as an
        // item of its own, so that it is kept rather than read back as an empty text.
        const QString value = QString::fromLatin1(config_.pttFrequency.c_str());
        QStringList items = kPttFrequencies;
        if (!value.isEmpty() && !items.contains(value)) {
            items << value;
            items.sort();
        }
        if (pttFrequency_->count() != items.size() || pttFrequency_->findText(value) < 0) {
            pttFrequency_->clear();
            pttFrequency_->addItems(items);
        }
    }
    exchange.ComboText(pttFrequency_, config_.pttFrequency, 4);
}

void CConfiguratorDlg::ShowRows(int first)
{
    firstRow_ = std::clamp(first, 0, static_cast<int>(UnitConfig::kToneRows) - kScreenRows);
    for (int k = 0; k < kScreenRows; ++k) {
        const FunctionToneEntry& entry = config_.toneTable[static_cast<std::size_t>(firstRow_ + k)];
        ScreenRowValues& values = rows_[static_cast<std::size_t>(k)];
        rowControls_[static_cast<std::size_t>(k)].label->setText(RowLabel(firstRow_ + k));
        values.toneActive = entry.toneActive;
        values.relayName = entry.relayName;
        values.relayGroup = UnitConversions::RelayGroupText(entry.relayGroup);
        values.relayDurationMs = entry.relayDurationMs;
        values.digitalOutput = entry.digitalOutput;
        values.ctcssTone = entry.ctcssTone;
        values.useDefaultCtcss = entry.useDefaultCtcss;
    }
    relayEdited_.fill(false);
    UpdateData(false);
    for (int k = 0; k < kScreenRows; ++k)
        ApplyToneActiveRule(k);
    // The thumb follows the rows shown, also when a load or a receive shows the first rows.
    const QSignalBlocker blocker(scrollBar_);
    scrollBar_->setValue(firstRow_);
}

bool CConfiguratorDlg::CommitVisibleRows()
{
    const bool accepted = UpdateData(true);
    CopyScreenRowsToTable(accepted);
    return accepted;
}

bool CConfiguratorDlg::CommitVisibleRowsQuietly(DataExchange::Refusal& refused)
{
    const bool accepted = TakeValuesQuietly(refused);
    CopyScreenRowsToTable(accepted);
    return accepted;
}

void CConfiguratorDlg::CopyScreenRowsToTable(bool accepted)
{
    for (int k = 0; k < kScreenRows; ++k) {
        ScreenRowValues& values = rows_[static_cast<std::size_t>(k)];
        FunctionToneEntry& entry = config_.toneTable[static_cast<std::size_t>(firstRow_ + k)];
        const FunctionToneEntry before = entry;
        entry.toneActive = values.toneActive;
        entry.relayName = WithoutBlanks(values.relayName);
        entry.relayGroup = UnitConversions::RelayGroup(values.relayGroup);
        if (UnitConversions::LeadingInteger(values.relayGroup) == 0)
            values.relayGroup = "1";
        entry.relayDurationMs = values.relayDurationMs;
        entry.digitalOutput = values.digitalOutput;
        entry.ctcssTone = values.ctcssTone;
        entry.useDefaultCtcss = values.useDefaultCtcss;
        if (entry.relayName != before.relayName || entry.relayGroup != before.relayGroup ||
            entry.relayDurationMs != before.relayDurationMs)
            relayEdited_[static_cast<std::size_t>(k)] = true;
    }
    // With a value refused the rows are not shown again, so that no edit is lost; the
    // edited rows give their settings at the next commit that is accepted.
    if (!accepted)
        return;
    bool othersChanged = false;
    for (int k = 0; k < kScreenRows; ++k) {
        if (relayEdited_[static_cast<std::size_t>(k)])
            othersChanged |= config_.ShareRelaySettings(static_cast<std::size_t>(firstRow_ + k));
    }
    relayEdited_.fill(false);
    if (othersChanged)
        ShowRows(firstRow_);
}

void CConfiguratorDlg::PropagateRelaySettings(int screenRow)
{
    if (propagating_)
        return;
    propagating_ = true;
    // Leaving a relay field gives the row's settings to the others, changed or not.
    relayEdited_[static_cast<std::size_t>(screenRow - 1)] = true;
    CommitVisibleRows();
    propagating_ = false;
}

QWidget* CConfiguratorDlg::RowControlOf(QObject* object) const
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr)
        return nullptr;
    if (widget->property(kRowControl).toBool())
        return widget;
    auto* combo = qobject_cast<QComboBox*>(widget->parentWidget());
    if (combo != nullptr && combo->lineEdit() == widget && combo->property(kRowControl).toBool())
        return combo;
    return nullptr;
}

bool CConfiguratorDlg::FilterRowWheel(QWidget* control, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        clickedRowControl_ = control;
        break;
    case QEvent::FocusIn:
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            clickedRowControl_ = control;
        break;
    case QEvent::FocusOut: {
        // Its own drop-down list or another window does not take the control's focus away.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason &&
            clickedRowControl_ == control)
            clickedRowControl_ = nullptr;
        break;
    }
    case QEvent::Wheel:
        if (control == clickedRowControl_ && control->hasFocus())
            return false;
        ScrollRowsByWheel(*static_cast<QWheelEvent*>(event));
        return true;
    default:
        break;
    }
    return false;
}

void CConfiguratorDlg::ScrollRowsByWheel(const QWheelEvent& event)
{
    // Sent, not posted by the window system: it goes to the scroll bar alone, which
    // scrolls as for a wheel over itself.
    const QPointF centre = QRectF(scrollBar_->rect()).center();
    QWheelEvent forwarded(centre, scrollBar_->mapToGlobal(centre), event.pixelDelta(), event.angleDelta(),
                          event.buttons(), event.modifiers(), event.phase(), event.inverted(),
                          event.source());
    QApplication::sendEvent(scrollBar_, &forwarded);
}

void CConfiguratorDlg::wheelEvent(QWheelEvent* event)
{
    // The rows and their scroll bar.
    const QRect rows = layout_.Units().Rect(7, kRowTop, 270, kScreenRows * kRowPitch);
    if (!rows.contains(event->position().toPoint())) {
        CExchangeDlg::wheelEvent(event);
        return;
    }
    ScrollRowsByWheel(*event);
    event->accept();
}

bool CConfiguratorDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (QWidget* control = RowControlOf(watched); control != nullptr && FilterRowWheel(control, event))
        return true;
    if (watched == scrollBar_) {
        if (event->type() == QEvent::MouseButtonPress)
            scrollBarHeld_ = true;
        if (event->type() == QEvent::MouseButtonRelease) {
            scrollBarHeld_ = false;
            // After the scroll bar has taken its release.
            QTimer::singleShot(0, this, &CConfiguratorDlg::ReportScrollRefusal);
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Opening a drop-down list or another window does not leave the control.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const QVariant screenRow = watched->property("screenRow");
        if (screenRow.isValid() && reason != Qt::PopupFocusReason &&
            reason != Qt::ActiveWindowFocusReason)
            PropagateRelaySettings(screenRow.toInt());
    }
    return CExchangeDlg::eventFilter(watched, event);
}

void CConfiguratorDlg::ApplyToneActiveRule(int index)
{
    const ScreenRowControls& row = rowControls_[static_cast<std::size_t>(index)];
    const bool active = row.toneActive->isChecked();
    for (QWidget* control : {static_cast<QWidget*>(row.relay), static_cast<QWidget*>(row.group),
                             static_cast<QWidget*>(row.duration), static_cast<QWidget*>(row.digitalOutput),
                             static_cast<QWidget*>(row.ctcss), static_cast<QWidget*>(row.useDefaultCtcss)})
        control->setEnabled(active);
}

void CConfiguratorDlg::SetScrollRangeForMode(int toneMode)
{
    const QSignalBlocker blocker(scrollBar_);
    if (IsSingleMode(toneMode))
        scrollBar_->setRange(kSingleFirstRow, kSingleLastFirstRow);
    else
        scrollBar_->setRange(kDualFirstRow, kDualLastFirstRow);
}

void CConfiguratorDlg::OnScrollAction(int action)
{
    if (action == QAbstractSlider::SliderNoAction)
        return;
    const int requested = scrollBar_->sliderPosition();
    DataExchange::Refusal refused;
    if (!CommitVisibleRowsQuietly(refused)) {
        // The rows stay until the refused value is mended; scrolling them away would
        // throw that edit and the ones after it away. Inside this signal the scroll bar
        // takes the position set here instead of the requested one. An arrow held down
        // repeats its action: the refusal is told once, when the scroll bar is let go.
        scrollBar_->setSliderPosition(firstRow_);
        scrollRefusal_ = refused;
        if (!scrollBarHeld_)
            QTimer::singleShot(0, this, &CConfiguratorDlg::ReportScrollRefusal);
        return;
    }
    ShowRows(requested);
}

void CConfiguratorDlg::ReportScrollRefusal()
{
    if (!scrollRefusal_ || scrollBarHeld_)
        return;
    const DataExchange::Refusal refused = *scrollRefusal_;
    scrollRefusal_.reset();
    DataExchange::Report(interaction_, this, refused);
}

void CConfiguratorDlg::OnToneModeClicked()
{
    UpdateData(true);
    SetScrollRangeForMode(toneMode_->checkedId());
}

void CConfiguratorDlg::OnMonRelayModeClicked()
{
    UpdateData(true);
    monRelayTime_->setEnabled(monRelayMode_->checkedId() == kMonRelayMomentary);
}

void CConfiguratorDlg::OnToneActiveClicked(int index)
{
    UpdateData(true);
    ApplyToneActiveRule(index);
}

void CConfiguratorDlg::RefreshFromRecord()
{
    SetScrollRangeForMode(config_.toneMode);
    if (config_.monRelayMode == kMonRelayMomentary)
        monRelayTime_->setEnabled(true);
    else if (config_.monRelayMode == 0 || config_.monRelayMode == 1)
        monRelayTime_->setEnabled(false);
    ShowRows(IsSingleMode(config_.toneMode) ? kSingleFirstRow : kDualFirstRow);
}

void CConfiguratorDlg::SystemCommand(int command)
{
    if (command == kAboutCommand) {
        CConfigAboutDlg about(this);
        interaction_.RunModal(about);
    }
}

void CConfiguratorDlg::OnSendToUnit()
{
    if (!CommitVisibleRows())
        return;
    transfer_.SendToUnit(config_, portSelection_);
}

// A receive and a load replace the whole record, so they go ahead whatever the screen
// holds, a refused value included. Only a new record is shown: a failed receive or a
// cancelled or unreadable load leaves the screen as it was, each edit on it included.
void CConfiguratorDlg::OnReceiveFromUnit()
{
    // The accepted edits go into the table first, as the record stays in use when the
    // receive fails.
    DataExchange::Refusal refused;
    CommitVisibleRowsQuietly(refused);
    if (transfer_.ReceiveFromUnit(config_, portSelection_) == TransferResult::Done)
        RefreshFromRecord();
}

void CConfiguratorDlg::OnLoadConfig()
{
    // The accepted edits go into the table first: a file that lacks lines leaves the
    // fields it does not hold as they are.
    DataExchange::Refusal refused;
    CommitVisibleRowsQuietly(refused);
    const QString path = interaction_.ChooseFileToOpen(this);
    if (path.isEmpty())
        return;
    // The reader takes what it can, so a damaged file shows what it still holds. A file
    // in which not one line of numbers can be read (a text, a picture, an empty file)
    // holds no configuration: nothing of it is taken, and the user is told.
    UnitConfig loaded = config_;
    int numberLinesRead = 0;
    if (!ReadConfigFile(loaded, QFile::encodeName(path).toStdString(), &numberLinesRead))
        return;
    if (numberLinesRead == 0) {
        interaction_.ShowMessage(this, NoConfigurationText(path), UserInteraction::Icon::Exclamation);
        return;
    }
    config_ = loaded;
    RefreshFromRecord();
}

QString CConfiguratorDlg::NoConfigurationText(const QString& path)
{
    return QStringLiteral("%1 holds no configuration: nothing was loaded.").arg(QFileInfo(path).fileName());
}

void CConfiguratorDlg::OnSaveConfig()
{
    if (!CommitVisibleRows())
        return;
    const QString path = interaction_.ChooseFileToSave(this);
    if (!path.isEmpty())
        WriteConfigFile(config_, QFile::encodeName(path).toStdString());
}

void CConfiguratorDlg::done(int result)
{
    DataExchange::Refusal refused;
    CommitVisibleRowsQuietly(refused);
    CExchangeDlg::done(result);
}

template <class SettingsDialog>
void CConfiguratorDlg::RunSettingsDialog()
{
    SettingsDialog dialog(interaction_, this);
    dialog.config = config_;
    if (interaction_.RunModal(dialog) == QDialog::Accepted)
        config_ = dialog.config;
}

void CConfiguratorDlg::OnComPort()
{
    CPortSelectDlg dialog(interaction_, this);
    dialog.portSelection = portSelection_;
    if (interaction_.RunModal(dialog) == QDialog::Accepted)
        portSelection_ = dialog.portSelection;
}

void CConfiguratorDlg::OnSetGains()
{
    RunSettingsDialog<CGainSettingsDlg>();
}

void CConfiguratorDlg::OnMorseCode()
{
    RunSettingsDialog<CMorseCodeDlg>();
}

void CConfiguratorDlg::OnTxFilters()
{
    // In repeater mode the transmit audio is the received audio: there is nothing to set.
    if (!UpdateData(true) || config_.repeaterMode != 0)
        return;
    RunSettingsDialog<CTxAudioDlg>();
}

void CConfiguratorDlg::OnDig5Setup()
{
    RunSettingsDialog<CDig5ToneDlg>();
}

void CConfiguratorDlg::OnDig4Setup()
{
    RunSettingsDialog<CDig4CorDlg>();
}

void CConfiguratorDlg::OnVoxPhone()
{
    RunSettingsDialog<CVoxPhoneDlg>();
}

void CConfiguratorDlg::OnDigitalOutputLookup()
{
    CDigitalIoLookupDlg dialog(this);
    interaction_.RunModal(dialog);
}

void CConfiguratorDlg::OnCtcssLookup()
{
    CCtcssLookupDlg dialog(this);
    interaction_.RunModal(dialog);
}
