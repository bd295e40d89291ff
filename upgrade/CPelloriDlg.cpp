#include "upgrade/CPelloriDlg.h"

#include "automation/dbus/AutomationError.h"
#include "automation/dbus/ProgressLine.h"
#include "automation/dbus/RemoteMemberError.h"
#include "upgrade/CPelloriDlgAutoProxy.h"
#include "upgrade/CallFailureText.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/PelloriIcon.h"
#include "upgrade/StatusTexts.h"
#include "upgrade/UserPrompts.h"
#include "widgets/DialogUnits.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace {

QString ShownText(const std::string& text)
{
    // The box shows lines; the status text keeps its "\r\n".
    QString shown = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QString ObjectName(int id)
{
    return QStringLiteral("id%1").arg(id);
}

}  // namespace

CPelloriDlg::CPelloriDlg(Ez2181Driver& driver, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), driver_(driver), prompts_(prompts)
{
    BuildControls();
}

CPelloriDlg::~CPelloriDlg()
{
    if (proxy_) proxy_->DetachDialog();
}

void CPelloriDlg::BuildControls()
{
    setWindowTitle(QStringLiteral("Software Upgrade Utility"));
    setFont(DialogUnits::DialogFont());
    const DialogUnits units(font());
    setFixedSize(units.X(320), units.Y(200));
    setWindowIcon(PelloriIcon::Make());

    const auto button = [&](int id, const char* text, QRect place) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(ObjectName(id));
        b->setGeometry(place);
        b->setAutoDefault(false);
        return b;
    };

    // Template order, which is also the tab order.
    QPushButton* ok = button(kOk, "OK", units.Rect(260, 7, 50, 14));
    ok->setDefault(true);
    QPushButton* cancel = button(kCancel, "Cancel", units.Rect(260, 23, 50, 14));

    baudList_ = new QComboBox(this);
    baudList_->setObjectName(ObjectName(kBaudList));
    baudList_->addItems({QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("115200")});
    baudList_->setCurrentIndex(-1);
    // A drop-down list's height in the template includes its open list; the closed box is one line.
    const QRect listPlace = units.Rect(43, 7, 61, 51);
    baudList_->setGeometry(listPlace.x(), listPlace.y(), listPlace.width(), baudList_->sizeHint().height());

    auto* baudLabel = new QLabel(QStringLiteral("Baud Rate"), this);
    baudLabel->setGeometry(units.Rect(5, 8, 36, 12));

    QPushButton* powerOn = button(kPowerOn, "Power On", units.Rect(121, 75, 70, 14));

    auto* hint = new QLabel(QStringLiteral("To Enter programming mode:\nPress the power-on button and turn the device on."), this);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hint->setGeometry(units.Rect(95, 41, 114, 30));

    auto* group = new QGroupBox(QStringLiteral("Programming"), this);
    group->setGeometry(units.Rect(85, 30, 131, 112));
    group->lower();

    statusBox_ = new QPlainTextEdit(this);
    statusBox_->setObjectName(ObjectName(kStatus));
    // Lines are broken at the box's width, so that a long error shows whole
    // instead of running off its right edge.
    statusBox_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    statusBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    statusBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    statusBox_->setTabChangesFocus(true);
    statusBox_->installEventFilter(this);
    statusBox_->setGeometry(units.Rect(38, 148, 225, 45));

    QPushButton* program = button(kProgram, "Program...", units.Rect(121, 95, 70, 14));
    QPushButton* verify = button(kVerify, "Verify...", units.Rect(121, 115, 70, 14));
    QPushButton* about = button(kAbout, "About", units.Rect(260, 51, 50, 14));
    // Beside the status box while it holds a cut error text.
    detailsButton_ = button(kDetails, "Details...", units.Rect(260, 179, 50, 14));
    detailsButton_->hide();

    QWidget::setTabOrder(ok, cancel);
    QWidget::setTabOrder(cancel, baudList_);
    QWidget::setTabOrder(baudList_, powerOn);
    QWidget::setTabOrder(powerOn, statusBox_);
    QWidget::setTabOrder(statusBox_, program);
    QWidget::setTabOrder(program, verify);
    QWidget::setTabOrder(verify, about);
    QWidget::setTabOrder(about, detailsButton_);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(baudList_, &QComboBox::activated, this, &CPelloriDlg::OnBaudChange);
    connect(powerOn, &QPushButton::clicked, this, &CPelloriDlg::OnPowerOn);
    connect(program, &QPushButton::clicked, this, &CPelloriDlg::OnProgram);
    connect(verify, &QPushButton::clicked, this, &CPelloriDlg::OnVerify);
    connect(about, &QPushButton::clicked, this, &CPelloriDlg::OnAbout);
    connect(detailsButton_, &QPushButton::clicked, this, &CPelloriDlg::OnDetails);

    // Qt offers no system menu of its own: the entry lives in a window menu
    // that opens on a right click on the dialog's background or with
    // Alt+Space, where a system menu opens.
    systemMenu_ = new QMenu(this);
    QAction* aboutEntry = systemMenu_->addAction(QString::fromLatin1(kAboutMenuText));
    connect(aboutEntry, &QAction::triggered, this, [this] { SystemCommand(kAboutCommand); });
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, this, &CPelloriDlg::OpenSystemMenu);
    // Where the shortcut does not fire (the dialog is not the active window,
    // as without a window manager), the key reaches the focused button, which
    // takes Space for a press whatever the modifiers.
    for (QPushButton* each : findChildren<QPushButton*>()) each->installEventFilter(this);
}

void CPelloriDlg::OpenSystemMenu()
{
    systemMenu_->popup(mapToGlobal(QPoint(0, 0)));
}

void CPelloriDlg::InitDialog()
{
    UpdateData(false);
    driver_.SetCallRunner([this](const std::function<void()>& call) { runner_.Run(call); });
    driver_.SetProgressHandler([this](std::uint64_t done, std::uint64_t total) { ShowProgress(done, total); });
    try {
        CreateServerObject();
        driver_.SetErrorMethod(Ez2181Driver::kThrowExceptions);
        driver_.SetBaud(9600);
        baudList_->setCurrentIndex(0);
        UpdateData(true);
    } catch (const AutomationError& failure) {
        prompts_.ShowMessage(this, QString::fromStdString(CutErrorText(failure.what())), UserPrompts::Icon::None);
    } catch (const RemoteMemberError& failure) {
        // Not one of the dialog's own errors: shown whole, as the program's
        // handler of unexpected errors shows them.
        prompts_.ShowMessage(this, QString::fromStdString(failure.what()), UserPrompts::Icon::Stop);
    }
}

void CPelloriDlg::CreateServerObject()
{
    // The bus may have to start the server first, which can take long: say
    // what the dialog waits for, and leave the status box empty afterwards.
    SetStatus(StatusTexts::kStartingServer);
    try {
        driver_.Create(Ez2181Driver::kProgId);
    } catch (...) {
        SetStatus(std::string());
        throw;
    }
    SetStatus(std::string());
}

void CPelloriDlg::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        baudRateText_ = baudList_->currentText();
        return;
    }
    baudList_->setCurrentIndex(baudList_->findText(baudRateText_));
}

void CPelloriDlg::OnBaudChange()
{
    UpdateData(true);
    const std::int32_t rate = RateOfText(baudRateText_);
    if (const auto error = TryCall([&] { driver_.SetBaud(rate); }))
        prompts_.ShowMessage(this, QString::fromStdString(CutErrorText(*error)), UserPrompts::Icon::None);
}

void CPelloriDlg::OnPowerOn()
{
    if (!driver_.IsCreated()) {
        ShowFailure("", *TryCall([&] { driver_.PowerOn(); }));
        return;
    }
    SetStatus(StatusTexts::kPowerOnWaiting);
    if (const auto error = TryCall([&] { driver_.PowerOn(); }))
        ShowFailure("", *error);
    else
        SetStatus(StatusTexts::kPowerIsOn);
}

void CPelloriDlg::OnProgram()
{
    RunFlashAction({StatusTexts::kProgramming, StatusTexts::kProgrammed, StatusTexts::kProgramFailed, [this](const std::string& path) { driver_.ProgFlash(path); }});
}

void CPelloriDlg::OnVerify()
{
    RunFlashAction({StatusTexts::kVerifying, StatusTexts::kVerified, StatusTexts::kVerifyFailed, [this](const std::string& path) { driver_.VerifyFlash(path); }});
}

void CPelloriDlg::RunFlashAction(const FlashAction& action)
{
    // Without a server object there is nothing to program: say why at once
    // instead of asking for a file first.
    if (!driver_.IsCreated()) {
        ShowFailure(action.failureHeading, *TryCall([&] { action.call(std::string()); }));
        return;
    }
    const std::optional<QString> file = prompts_.ChooseProgramFile(this);
    if (!file) return;
    const std::string path = file->toLocal8Bit().toStdString();
    SetStatus(action.busyText);
    if (const auto error = TryCall([&] { action.call(path); }))
        ShowFailure(action.failureHeading, *error);
    else
        SetStatus(action.successText);
}

std::optional<std::string> CPelloriDlg::TryCall(const std::function<void()>& call)
{
    try {
        call();
    } catch (const RemoteMemberError& failure) {
        return CallFailureText::Of(failure);
    } catch (const AutomationError& failure) {
        return CallFailureText::Of(failure);
    }
    return std::nullopt;
}

void CPelloriDlg::OnAbout()
{
    prompts_.ShowAbout(this);
}

void CPelloriDlg::SystemCommand(int command)
{
    if ((command & 0xFFF0) == kAboutCommand) OnAbout();
}

void CPelloriDlg::ShowFailure(const std::string& heading, const std::string& error)
{
    SetStatus(heading + CutErrorText(error));
    // The box keeps the text as cut; the whole of it, often the cause's
    // remedy, is one click away.
    if (error.size() > kMaxErrorText) {
        wholeFailure_ = heading + error;
        detailsButton_->show();
    }
}

void CPelloriDlg::OnDetails()
{
    prompts_.ShowMessage(this, ShownText(wholeFailure_), UserPrompts::Icon::None);
}

void CPelloriDlg::SetStatus(const std::string& text)
{
    wholeFailure_.clear();
    detailsButton_->hide();
    statusText_ = text;
    statusBox_->setPlainText(ShownText(text));
    statusBox_->repaint();
}

void CPelloriDlg::ShowProgress(std::uint64_t done, std::uint64_t total)
{
    // Shown under the status text while the call runs; the status text itself
    // stays as it is, and the outcome replaces both.
    if (!runner_.Running()) return;
    statusBox_->setPlainText(ShownText(statusText_) + QLatin1Char('\n') +
                             QString::fromStdString(ProgressLine::Text(done, total)));
    statusBox_->repaint();
}

void CPelloriDlg::done(int result)
{
    // While an automation client holds the program, closing only hides the dialog.
    if (proxy_) {
        setVisible(false);
        return;
    }
    if (result == QDialog::Accepted) UpdateData(true);
    QDialog::done(result);
}

bool CPelloriDlg::EndUnlessCovered()
{
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this) return false;
    done(QDialog::Rejected);
    return true;
}

void CPelloriDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

bool CPelloriDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (qobject_cast<QPushButton*>(watched) &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && (key->modifiers() & Qt::AltModifier)) {
            if (event->type() == QEvent::KeyPress && !key->isAutoRepeat()) OpenSystemMenu();
            return true;
        }
    }
    // The status box breaks no line on Enter: like the dialog's other
    // controls it leaves the key to the dialog, which presses the default
    // button. Enter with a modifier still reaches the box (Shift+Enter breaks
    // a line there).
    if (watched == statusBox_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            keyPressEvent(key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CPelloriDlg::contextMenuEvent(QContextMenuEvent* event)
{
    systemMenu_->popup(event->globalPos());
}

std::int32_t CPelloriDlg::RateOfText(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    errno = 0;
    const long value = std::strtol(bytes.constData(), nullptr, 0);
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::string CPelloriDlg::CutErrorText(const std::string& text)
{
    return text.substr(0, kMaxErrorText);
}
