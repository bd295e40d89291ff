#include "configurator/CLookupDlg.h"

#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

CLookupDlg::CLookupDlg(QWidget* parent, const QString& title, int width, int height,
                       const QStringList& lines, int tabStop, bool centreLastLine)
    : QDialog(parent), layout_(this, title, width, height)
{
    constexpr int kMargin = 7;
    constexpr int kButtonHeight = 14;
    constexpr int kButtonWidth = 50;

    text_ = new QTextEdit;
    text_->setObjectName(QStringLiteral("table"));
    text_->setReadOnly(true);
    text_->setFrameShape(QFrame::NoFrame);
    text_->viewport()->setAutoFillBackground(false);
    text_->setTabStopDistance(layout_.Units().X(tabStop));
    text_->setPlainText(lines.join(u'\n'));
    if (centreLastLine) {
        QTextCursor cursor(text_->document()->lastBlock());
        QTextBlockFormat format = cursor.blockFormat();
        format.setAlignment(Qt::AlignHCenter);
        cursor.setBlockFormat(format);
    }
    layout_.Place(text_, kMargin, kMargin, width - 2 * kMargin, height - 3 * kMargin - kButtonHeight);

    QPushButton* close = layout_.Button(QStringLiteral("Close"), (width - kButtonWidth) / 2,
                                        height - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
    close->setObjectName(QStringLiteral("close"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QStringList CLookupDlg::ShownLines() const
{
    return text_->toPlainText().split(u'\n');
}
