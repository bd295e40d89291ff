#pragma once

#include "automation/dbus/ProgressLine.h"
#include "upgrade/BatchOptions.h"
#include "upgrade/BoardRecord.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

class Ez2181Driver;
class RecordLog;

// Pellori without a window: the dialog's start-up and the actions the command
// line asks for, in the dialog's order, with the dialog's status texts on
// standard output (each line on a line of its own) and failures on standard
// error. While flash is programmed or verified, a progress line follows the
// status text at least every 5 percent ("45% (117760 of 262144 bytes)").
// Stops at the first failure; its exit status says which step failed.
// Once the line is set up, a USB adapter whose latency timer stays above 2 ms is
// reported on standard output with the fix (UsbLatencyTimer).
class BatchRun {
public:
    enum ExitStatus : int {
        kSuccess = 0,
        kPowerOnFailed = 1,
        kProgrammingFailed = 2,
        kVerifyFailed = 3,
        kBaudFailed = 4,
        kNoServerObject = 5,
        kNoSessionBus = 6,
        kLogFailed = 7,
        kUsage = 64,
        // Not an exit status: the station stopped the power-on wait (Watch).
        kStopped = 100,
    };

    // What the caller that watches the run learns of it, in the thread that runs it.
    struct Watch {
        std::function<void(const std::string& step)> stepStarted;  // "power-on", "program", "verify"
        std::function<void(const BoardRecord::Step& step)> stepEnded;
        std::function<void(std::uint64_t done, std::uint64_t total)> progress;
        // When set, the power-on wait starts again after each "ERROR: Device
        // Timeout" as long as this returns true; false ends the run as kStopped.
        std::function<bool()> keepWaiting;
        // When set, asked once the board has announced itself; false ends the run as kStopped.
        std::function<bool()> takeBoard;
    };

    // With a `port` the object is moved to that port of the port map first.
    BatchRun(Ez2181Driver& driver, std::ostream& out, std::ostream& err, std::string port = {});

    int Run(const BatchOptions& options);
    // For tests: where the adapters' sysfs files are ("/sys").
    void SetSysfsRoot(std::string root) { sysfsRoot_ = std::move(root); }
    // Run, then the board's record appended to `log` (kLogFailed when it cannot be).
    int RunAndRecord(const BatchOptions& options, RecordLog& log);
    // The text of the failure that ended the run; empty after a success.
    const std::string& FailureText() const { return failure_; }
    // The code of that failure: the board's error code, or the automation status.
    std::int64_t FailureCode() const { return failureCode_; }
    void SetWatch(Watch watch) { watch_ = std::move(watch); }

    // The full path of a file named on the command line: the server runs in a
    // folder of its own.
    static std::string FullPath(const std::string& path);
    // A status text for the terminal: "\r\n" becomes a newline.
    static std::string TerminalText(const std::string& statusText);

private:
    int RunSteps(const BatchOptions& options);
    // Runs one call; prints the failure heading and text and returns false if it fails.
    bool Step(const std::function<void()>& call, const std::string& failureHeading, const char* stepName = nullptr);
    // PowerOn, again after each time-out while the watch wants; false when it stopped.
    bool WaitForPowerOn();
    void Say(const std::string& statusText);
    // The board's port in the port map: the one given, else com1.
    std::string PortMapName() const { return port_.empty() ? "com1" : port_; }
    void ReportAdapterLatency();

    Ez2181Driver& driver_;
    std::ostream& out_;
    std::ostream& err_;
    std::string port_;
    std::string failure_;
    std::string sysfsRoot_ = "/sys";
    std::int64_t failureCode_ = 0;
    Watch watch_;
    ProgressLine progress_;
};
