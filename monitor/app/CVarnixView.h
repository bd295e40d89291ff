#pragma once

#include <QWidget>

// The view of the varnix window: it draws nothing and leaves its area to the
// window's background.
class CVarnixView : public QWidget {
    Q_OBJECT
public:
    explicit CVarnixView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
