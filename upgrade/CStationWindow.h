#pragma once

#include "upgrade/BatchOptions.h"
#include "upgrade/StationSlot.h"

#include <QTimer>
#include <QWidget>

#include <memory>
#include <ostream>
#include <vector>

class QLabel;
class QPushButton;
class RecordLog;
class StationRun;
class StationTile;
class UserPrompts;

// The programming station's window (pellori --station): a tile for each slot,
// the image chosen with the file dialog (its name and SHA-256), and Start and
// Stop. Start runs a StationRun; its slots work in threads of their own, so the
// window stays responsive. Stop takes no new board and lets the boards in
// progress finish; Start is offered again once every slot has ended.
class CStationWindow : public QWidget {
    Q_OBJECT
public:
    CStationWindow(BatchOptions options, UserPrompts& prompts, QWidget* parent = nullptr);
    ~CStationWindow() override;

    // Shows `path` as the image to program (its name and SHA-256).
    void SetImage(const QString& path);
    void ShowSlot(std::size_t index, const StationSlot::View& view);
    bool Running() const { return station_ != nullptr; }

private:
    void ChooseImage();
    void StartStation();
    void StopStation();
    // Ends the run once every slot has ended; stops it when its log failed.
    void WatchStation();
    void ShowProblem(const QString& text);

    BatchOptions options_;
    UserPrompts& prompts_;
    QPushButton* choose_;
    QPushButton* start_;
    QPushButton* stop_;
    QLabel* imageName_;
    QLabel* imageHash_;
    QLabel* problem_;
    std::vector<StationTile*> tiles_;
    std::ostream nowhere_{nullptr};
    std::unique_ptr<RecordLog> log_;
    std::unique_ptr<StationRun> station_;
    QTimer watch_;
};
