#pragma once

#include "upgrade/BatchOptions.h"
#include "upgrade/StationSlot.h"

#include <QThread>

#include <functional>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class RecordLog;

// The programming station: one slot for each port (COM1 when none is named),
// all at the same time through one varnix. Each slot waits for a board's
// power-on, programs the image, verifies the flash against it, records the
// board and waits for the next one, until the station is stopped. Each board's
// record is on the disk before its slot waits for the next board; a record that
// cannot be written stops the station at once.
class StationRun {
public:
    enum ExitStatus : int { kAllPassed = 0,
                            kBoardFailed = 1,
                            kLogFailed = 7 };

    // Called in a slot's thread (or the one that stops the station) whenever a slot's view changes.
    using ChangeListener = std::function<void(std::size_t slot, const StationSlot::View& view)>;

    // `log` may be null; it must outlive the station.
    StationRun(BatchOptions options, std::ostream& out, std::ostream& err, RecordLog* log);
    // Stops the station and waits for its slots.
    ~StationRun();
    StationRun(const StationRun&) = delete;
    StationRun& operator=(const StationRun&) = delete;

    void SetChangeListener(ChangeListener listener) { listener_ = std::move(listener); }
    void Start();
    // Takes no new board; the boards in progress finish and are recorded.
    void Stop();
    // Records the boards in progress as interrupted; whatever they do later is not recorded.
    void Abort();
    bool Stopping() const;
    bool BoardsInProgress() const;
    // True when every slot's thread has ended.
    bool Ended() const;
    void Wait();
    // The log's error once a record could not be written; empty before.
    std::string LogFailure() const;
    std::vector<StationSlot::View> Views() const;
    // "Port  Passed  Failed  Interrupted  Last error" and a line for each slot.
    std::string SummaryTable() const;
    int ExitStatus() const;

    // pellori --batch --station: runs until the first SIGINT or SIGTERM and the
    // boards in progress have finished, or until a second one.
    static int RunFromCommandLine(const BatchOptions& options, std::ostream& out, std::ostream& err);

    // --- for the slots, in their threads ---
    const BatchOptions& Options() const { return options_; }
    std::ostream& Out() { return out_; }
    std::ostream& Err() { return err_; }
    std::mutex& OutputLock() { return outputLock_; }
    bool KeepWaiting() const { return !Stopping(); }
    // A board announced itself: true when the station takes it.
    bool TakeBoard(StationSlot& slot);
    void StepStarted(StationSlot& slot, const std::string& step);
    void StepEnded(StationSlot& slot, const BoardRecord::Step& step);
    void Progress(StationSlot& slot, std::uint64_t done, std::uint64_t total);
    // Records the slot's board; false when there was none.
    bool FinishBoard(StationSlot& slot, bool passed, const std::string& error, std::int64_t code);
    void SlotEnded(StationSlot& slot);

private:
    // Under lock_: writes the record to the log, or to standard error when the log cannot take it.
    void Record(const BoardRecord& record);
    // Under lock_.
    void Changed(const StationSlot& slot);
    std::size_t IndexOf(const StationSlot& slot) const;

    BatchOptions options_;
    std::ostream& out_;
    std::ostream& err_;
    RecordLog* log_;
    ChangeListener listener_;
    std::mutex outputLock_;
    mutable std::mutex lock_;
    std::vector<std::unique_ptr<StationSlot>> slots_;
    std::vector<std::unique_ptr<QThread>> threads_;
    int slotsRunning_ = 0;
    bool stopping_ = false;
    bool aborted_ = false;
    std::string logFailure_;
};
