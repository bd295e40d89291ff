#include "upgrade/StationTile.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

// The colour of the tile for a state: what the operator looks for across the bench.
QString Colour(StationSlot::State state)
{
    switch (state) {
    case StationSlot::State::Passed: return QStringLiteral("#2e9e44");
    case StationSlot::State::Failed: return QStringLiteral("#d23030");
    case StationSlot::State::Programming:
    case StationSlot::State::Verifying: return QStringLiteral("#e8a317");
    default: return QStringLiteral("#8a8f98");
    }
}

}  // namespace

StationTile::StationTile(const QString& port, QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setMinimumWidth(300);
    new QVBoxLayout(this);
    port_ = AddLabel("port", 2.2, true);
    port_->setText(port.toUpper());
    state_ = AddLabel("state", 2.0, true);
    state_->setAutoFillBackground(true);
    state_->setMargin(8);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setMinimumHeight(progress_->fontMetrics().height() * 2);
    layout()->addWidget(progress_);
    result_ = AddLabel("result", 1.5, true);
    error_ = AddLabel("error", 1.2, false);
    error_->setWordWrap(true);
    counts_ = AddLabel("counts", 1.5, false);
    Show(StationSlot::View::Fresh(port.toStdString()));
}

QLabel* StationTile::AddLabel(const char* name, double scale, bool bold)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    layout()->addWidget(label);
    return label;
}

void StationTile::Show(const StationSlot::View& view)
{
    state_->setText(QString::fromLatin1(StationSlot::StateText(view.state)).toUpper());
    state_->setStyleSheet(QStringLiteral("background: %1; color: white;").arg(Colour(view.state)));
    const int percent = view.total == 0 ? 0 : static_cast<int>(view.done * 100 / view.total);
    progress_->setValue(percent);
    result_->setText(view.lastResult.empty() ? QStringLiteral("no board yet")
                                             : QStringLiteral("last board: %1").arg(QString::fromStdString(view.lastResult)));
    error_->setText(QString::fromStdString(view.lastError));
    counts_->setText(QStringLiteral("passed %1   failed %2   interrupted %3")
                         .arg(view.passed)
                         .arg(view.failed)
                         .arg(view.interrupted));
}
