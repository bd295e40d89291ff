#include "upgrade/CStationWindow.h"

#include "upgrade/BatchRun.h"
#include "upgrade/RecordLog.h"
#include "upgrade/StationRun.h"
#include "upgrade/StationTile.h"
#include "upgrade/UserPrompts.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* LargeButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    QFont font = button->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    button->setFont(font);
    button->setMinimumHeight(button->fontMetrics().height() * 2);
    return button;
}

}  // namespace

CStationWindow::CStationWindow(BatchOptions options, UserPrompts& prompts, QWidget* parent)
    : QWidget(parent), options_(std::move(options)), prompts_(prompts)
{
    if (options_.ports.empty()) options_.ports.push_back("com1");
    setWindowTitle(QStringLiteral("Pellori Programming Station"));
    auto* layout = new QVBoxLayout(this);

    auto* imageRow = new QHBoxLayout;
    choose_ = LargeButton(QStringLiteral("Image..."), "chooseImage", this);
    imageName_ = new QLabel(QStringLiteral("no image chosen"), this);
    imageName_->setObjectName(QStringLiteral("imageName"));
    QFont nameFont = imageName_->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
    nameFont.setBold(true);
    imageName_->setFont(nameFont);
    imageHash_ = new QLabel(this);
    imageHash_->setObjectName(QStringLiteral("imageSha256"));
    imageHash_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    imageHash_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* imageText = new QVBoxLayout;
    imageText->addWidget(imageName_);
    imageText->addWidget(imageHash_);
    imageRow->addWidget(choose_);
    imageRow->addLayout(imageText, 1);
    start_ = LargeButton(QStringLiteral("Start"), "start", this);
    stop_ = LargeButton(QStringLiteral("Stop"), "stop", this);
    stop_->setEnabled(false);
    imageRow->addWidget(start_);
    imageRow->addWidget(stop_);
    layout->addLayout(imageRow);

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setStyleSheet(QStringLiteral("color: #d23030; font-weight: bold;"));
    problem_->setWordWrap(true);
    problem_->hide();
    layout->addWidget(problem_);

    auto* grid = new QGridLayout;
    const int columns = options_.ports.size() > 4 ? 3 : 2;
    for (std::size_t i = 0; i < options_.ports.size(); ++i) {
        tiles_.push_back(new StationTile(QString::fromStdString(options_.ports[i]), this));
        grid->addWidget(tiles_.back(), static_cast<int>(i) / columns, static_cast<int>(i) % columns);
    }
    layout->addLayout(grid, 1);

    connect(choose_, &QPushButton::clicked, this, &CStationWindow::ChooseImage);
    connect(start_, &QPushButton::clicked, this, &CStationWindow::StartStation);
    connect(stop_, &QPushButton::clicked, this, &CStationWindow::StopStation);
    connect(&watch_, &QTimer::timeout, this, &CStationWindow::WatchStation);
    if (options_.programFile) SetImage(QString::fromStdString(BatchRun::FullPath(*options_.programFile)));
}

CStationWindow::~CStationWindow()
{
    station_.reset();
}

void CStationWindow::SetImage(const QString& path)
{
    options_.programFile = path.toStdString();
    const BoardRecord::Image image = BoardRecord::ReadImage(path.toStdString());
    imageName_->setText(QFileInfo(path).fileName());
    imageName_->setToolTip(path);
    imageHash_->setText(image.sha256.empty() ? QStringLiteral("the file cannot be read")
                                             : QStringLiteral("SHA-256 %1").arg(QString::fromStdString(image.sha256)));
}

void CStationWindow::ShowSlot(std::size_t index, const StationSlot::View& view)
{
    if (index < tiles_.size()) tiles_[index]->Show(view);
}

void CStationWindow::ChooseImage()
{
    if (const auto path = prompts_.ChooseProgramFile(this)) SetImage(*path);
}

void CStationWindow::StartStation()
{
    if (station_) return;
    if (!options_.programFile) ChooseImage();
    if (!options_.programFile) return;
    problem_->hide();
    log_ = std::make_unique<RecordLog>();
    if (options_.logFile && !log_->Open(*options_.logFile)) {
        ShowProblem(QString::fromStdString(log_->Error()));
        return;
    }
    station_ = std::make_unique<StationRun>(options_, nowhere_, nowhere_, options_.logFile ? log_.get() : nullptr);
    station_->SetChangeListener([this](std::size_t index, const StationSlot::View& view) {
        QMetaObject::invokeMethod(
            this, [this, index, view] { ShowSlot(index, view); }, Qt::QueuedConnection);
    });
    for (std::size_t i = 0; i < tiles_.size(); ++i) tiles_[i]->Show(StationSlot::View::Fresh(options_.ports[i]));
    station_->Start();
    choose_->setEnabled(false);
    start_->setEnabled(false);
    stop_->setEnabled(true);
    watch_.start(200);
}

void CStationWindow::StopStation()
{
    if (!station_) return;
    station_->Stop();
    stop_->setEnabled(false);
}

void CStationWindow::WatchStation()
{
    if (!station_) return;
    if (const std::string failure = station_->LogFailure(); !failure.empty()) {
        station_->Abort();
        stop_->setEnabled(false);
        ShowProblem(QString::fromStdString(failure) + QStringLiteral(": the station stops"));
    }
    if (!station_->Ended()) return;
    watch_.stop();
    station_.reset();
    log_.reset();
    choose_->setEnabled(true);
    start_->setEnabled(true);
    stop_->setEnabled(false);
}

void CStationWindow::ShowProblem(const QString& text)
{
    problem_->setText(text);
    problem_->show();
}
