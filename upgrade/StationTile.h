#pragma once

#include "upgrade/StationSlot.h"

#include <QFrame>

class QLabel;
class QProgressBar;

// One slot of the station window, to be read from a metre away: the port, the
// state in large letters on green (passed), red (failed) or amber (busy), a
// progress bar, the last board's result and error, and the slot's counts. Its
// labels are named "port", "state", "result", "error" and "counts".
class StationTile : public QFrame {
    Q_OBJECT
public:
    explicit StationTile(const QString& port, QWidget* parent = nullptr);

    void Show(const StationSlot::View& view);

private:
    QLabel* AddLabel(const char* name, double scale, bool bold);

    QLabel* port_;
    QLabel* state_;
    QProgressBar* progress_;
    QLabel* result_;
    QLabel* error_;
    QLabel* counts_;
};
