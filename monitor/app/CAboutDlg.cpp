#include "monitor/app/CAboutDlg.h"

#include "monitor/app/VarnixIcon.h"
#include "monitor/app/VarnixResources.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace {

// Dialog units to pixels: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height.
class Units {
public:
    explicit Units(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const int alphabet = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        baseWidth_ = (alphabet / 26 + 1) / 2;
        baseHeight_ = metrics.height();
    }
    int X(int units) const { return (units * baseWidth_ + 2) / 4; }
    int Y(int units) const { return (units * baseHeight_ + 4) / 8; }
    QRect Rect(int x, int y, int width, int height) const
    {
        return QRect(QPoint(X(x), Y(y)), QPoint(X(x + width) - 1, Y(y + height) - 1));
    }

private:
    int baseWidth_;
    int baseHeight_;
};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    setWindowTitle(QString::fromLatin1(VarnixResources::kAboutCaption));
    const Units units(font);
    setFixedSize(units.X(235), units.Y(55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(VarnixIcon::Make().pixmap(32, 32));
    icon->setGeometry(units.Rect(11, 17, 20, 20));

    auto* version = new QLabel(QString::fromLatin1(VarnixResources::kAboutVersion), this);
    version->setObjectName(QStringLiteral("version"));
    version->setGeometry(units.Rect(40, 10, 119, 8));

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->setGeometry(units.Rect(178, 7, 50, 14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}
