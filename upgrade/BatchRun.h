#pragma once

#include "automation/dbus/ProgressLine.h"
#include "upgrade/BatchOptions.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

class Ez2181Driver;

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
        kUsage = 64,
    };

    // With a `port` the object is moved to that port of the port map first.
    BatchRun(Ez2181Driver& driver, std::ostream& out, std::ostream& err, std::string port = {});

    int Run(const BatchOptions& options);
    // For tests: where the adapters' sysfs files are ("/sys").
    void SetSysfsRoot(std::string root) { sysfsRoot_ = std::move(root); }
    // The text of the failure that ended the run; empty after a success.
    const std::string& FailureText() const { return failure_; }

    // A status text for the terminal: "\r\n" becomes a newline.
    static std::string TerminalText(const std::string& statusText);

private:
    int RunSteps(const BatchOptions& options);
    // Runs one call; prints the failure heading and text and returns false if it fails.
    bool Step(const std::function<void()>& call, const std::string& failureHeading);
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
    ProgressLine progress_;
};
