#include "upgrade/StationRun.h"

#include "upgrade/BatchRun.h"
#include "upgrade/RecordLog.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <ostream>

namespace {

double SteadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string Padded(std::string text, std::size_t width)
{
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

}  // namespace

StationRun::StationRun(BatchOptions options, std::ostream& out, std::ostream& err, RecordLog* log)
    : options_(std::move(options)), out_(out), err_(err), log_(log)
{
    if (options_.ports.empty()) options_.ports.push_back("com1");
    for (std::size_t i = 0; i < options_.ports.size(); ++i)
        slots_.push_back(std::make_unique<StationSlot>(options_.ports[i], static_cast<int>(i)));
}

StationRun::~StationRun()
{
    Stop();
    Wait();
}

void StationRun::Start()
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (!threads_.empty()) return;
    for (const auto& slot : slots_) {
        ++slotsRunning_;
        threads_.emplace_back(QThread::create([this, s = slot.get()] { s->Run(*this); }));
        threads_.back()->start();
    }
}

void StationRun::Stop()
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (stopping_) return;
    stopping_ = true;
    for (const auto& slot : slots_) {
        if (slot->view.state == StationSlot::State::Stopped) continue;
        if (!slot->board) slot->view.state = StationSlot::State::Stopping;
        Changed(*slot);
    }
}

void StationRun::Abort()
{
    const std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
    if (aborted_) return;
    aborted_ = true;
    for (const auto& slot : slots_) {
        if (!slot->board) continue;
        BoardRecord& record = *slot->board;
        if (!slot->runningStep.empty())
            record.steps.push_back({slot->runningStep, SteadySeconds() - slot->runningStepStart, false, "interrupted", 0});
        record.ended = BoardRecord::UtcNow();
        record.result = "interrupted";
        record.error = "the station was stopped during the board";
        Record(record);
        ++slot->view.interrupted;
        slot->view.lastResult = "interrupted";
        slot->view.lastError = record.error;
        slot->view.state = StationSlot::State::Stopping;
        slot->board.reset();
        Changed(*slot);
    }
}

bool StationRun::Stopping() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    return stopping_;
}

bool StationRun::BoardsInProgress() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    for (const auto& slot : slots_)
        if (slot->board) return true;
    return false;
}

bool StationRun::Ended() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    return slotsRunning_ == 0;
}

void StationRun::Wait()
{
    for (const auto& thread : threads_) thread->wait();
}

std::string StationRun::LogFailure() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    return logFailure_;
}

std::vector<StationSlot::View> StationRun::Views() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    std::vector<StationSlot::View> views;
    for (const auto& slot : slots_) views.push_back(slot->view);
    return views;
}

std::string StationRun::SummaryTable() const
{
    const std::vector<StationSlot::View> views = Views();
    std::size_t portWidth = 4;
    for (const auto& view : views) portWidth = std::max(portWidth, view.port.size());
    std::string table = Padded("Port", portWidth) + "  Passed  Failed  Interrupted  Last error\n";
    for (const auto& view : views) {
        char counts[64];
        std::snprintf(counts, sizeof counts, "  %6d  %6d  %11d  ", view.passed, view.failed, view.interrupted);
        std::string line = Padded(view.port, portWidth) + counts + (view.lastResult == "passed" ? "" : view.lastError);
        line.erase(line.find_last_not_of(' ') + 1);
        table += line + '\n';
    }
    return table;
}

int StationRun::ExitStatus() const
{
    if (!LogFailure().empty()) return kLogFailed;
    for (const auto& view : Views())
        if (view.failed > 0 || view.interrupted > 0) return kBoardFailed;
    return kAllPassed;
}

bool StationRun::TakeBoard(StationSlot& slot)
{
    BoardRecord record;
    record.started = BoardRecord::UtcNow();
    record.port = slot.view.port;
    record.portDevice = BoardRecord::ResolvePort(slot.view.port);
    record.image = BoardRecord::ReadImage(BatchRun::FullPath(*options_.programFile));
    const std::lock_guard<std::mutex> hold(lock_);
    if (stopping_) return false;
    slot.board = std::move(record);
    slot.view.done = slot.view.total = 0;
    return true;
}

void StationRun::StepStarted(StationSlot& slot, const std::string& step)
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (!slot.board) return;
    slot.runningStep = step;
    slot.runningStepStart = SteadySeconds();
    slot.view.state = step == "verify" ? StationSlot::State::Verifying : StationSlot::State::Programming;
    slot.view.done = slot.view.total = 0;
    Changed(slot);
}

void StationRun::StepEnded(StationSlot& slot, const BoardRecord::Step& step)
{
    const std::lock_guard<std::mutex> hold(lock_);
    slot.runningStep.clear();
    if (slot.board) slot.board->steps.push_back(step);
}

void StationRun::Progress(StationSlot& slot, std::uint64_t done, std::uint64_t total)
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (!slot.board) return;
    slot.view.done = done;
    slot.view.total = total;
    Changed(slot);
}

bool StationRun::FinishBoard(StationSlot& slot, bool passed, const std::string& error, std::int64_t code)
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (!slot.board) return aborted_;
    BoardRecord& record = *slot.board;
    record.ended = BoardRecord::UtcNow();
    record.result = passed ? "passed" : "failed";
    record.error = passed ? std::string() : error;
    record.code = passed ? 0 : code;
    Record(record);
    (passed ? slot.view.passed : slot.view.failed) += 1;
    slot.view.lastResult = record.result;
    slot.view.lastError = record.error;
    slot.view.state = passed ? StationSlot::State::Passed : StationSlot::State::Failed;
    slot.board.reset();
    Changed(slot);
    const int boards = slot.view.passed + slot.view.failed + slot.view.interrupted;
    const std::lock_guard<std::mutex> holdOutput(outputLock_);
    out_ << slot.view.port << ": board " << boards << ' ' << slot.view.lastResult << " (passed " << slot.view.passed
         << ", failed " << slot.view.failed << ")\n"
         << std::flush;
    return true;
}

void StationRun::SlotEnded(StationSlot& slot)
{
    const std::lock_guard<std::mutex> hold(lock_);
    --slotsRunning_;
    slot.view.state = StationSlot::State::Stopped;
    Changed(slot);
}

void StationRun::Record(const BoardRecord& record)
{
    if (!log_) return;
    if (logFailure_.empty() && log_->Append(record)) return;
    const std::lock_guard<std::mutex> holdOutput(outputLock_);
    if (logFailure_.empty()) {
        logFailure_ = log_->Error();
        err_ << "pellori: " << logFailure_ << "; the station stops\n";
    }
    stopping_ = true;
    err_ << "pellori: this record is not in the log: " << record.JsonLine().constData() << std::flush;
}

void StationRun::Changed(const StationSlot& slot)
{
    if (listener_) listener_(IndexOf(slot), slot.view);
}

std::size_t StationRun::IndexOf(const StationSlot& slot) const
{
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].get() == &slot) return i;
    return 0;
}

int StationRun::RunFromCommandLine(const BatchOptions& options, std::ostream& out, std::ostream& err)
{
    // Blocked before the slots start, so that their threads inherit the mask and only
    // the wait below sees the signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    RecordLog log;
    if (options.logFile && !log.Open(*options.logFile)) {
        err << "pellori: " << log.Error() << '\n';
        return kLogFailed;
    }
    auto station = std::make_unique<StationRun>(options, out, err, options.logFile ? &log : nullptr);
    station->Start();
    int received = 0;
    while (!station->Ended()) {
        const timespec tick{0, 100'000'000L};
        const int signal = sigtimedwait(&stopSignals, nullptr, &tick);
        if (signal == SIGINT || signal == SIGTERM) {
            if (++received == 1) {
                err << "pellori: stopping: the boards in progress finish first; a second "
                    << (signal == SIGINT ? "SIGINT" : "SIGTERM") << " ends at once\n"
                    << std::flush;
                station->Stop();
            } else {
                station->Abort();
                break;
            }
        }
        if (!station->LogFailure().empty()) {
            station->Abort();
            break;
        }
        if (station->Stopping() && !station->BoardsInProgress()) break;
    }
    {
        const std::lock_guard<std::mutex> hold(station->OutputLock());
        out << '\n'
            << station->SummaryTable() << std::flush;
    }
    const int status = station->ExitStatus();
    if (!station->Ended()) {
        // Slots still wait in the server (a power-on wait takes up to 10 s) or finish
        // a board that is no longer recorded: the station ends without them.
        err << std::flush;
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
