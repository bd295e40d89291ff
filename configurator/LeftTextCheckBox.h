#pragma once

#include <QCheckBox>

// A check box whose text stands on the left and whose box sits at the right edge of the
// control, as the TX audio and VOX dialogs show their options. The whole control takes
// clicks.
class LeftTextCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit LeftTextCheckBox(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};
