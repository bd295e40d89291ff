#include "upgrade/BatchRun.h"

#include "automation/dbus/AutomationError.h"
#include "automation/dbus/RemoteMemberError.h"
#include "platform/PortMap.h"
#include "platform/SerialAccess.h"
#include "platform/UsbLatencyTimer.h"
#include "upgrade/CallFailureText.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/StatusTexts.h"

#include <filesystem>
#include <ostream>

namespace {

// The server runs in a folder of its own: it is given full paths, as the
// dialog's file choice gives them.
std::string FullPath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.lexically_normal().string();
}

}  // namespace

BatchRun::BatchRun(Ez2181Driver& driver, std::ostream& out, std::ostream& err, std::string port)
    : driver_(driver), out_(out), err_(err), port_(std::move(port))
{
}

int BatchRun::Run(const BatchOptions& options)
{
    driver_.SetProgressHandler([this](std::uint64_t done, std::uint64_t total) {
        if (const auto line = progress_.Next(done, total)) out_ << *line << '\n' << std::flush;
    });
    const int status = RunSteps(options);
    driver_.SetProgressHandler(nullptr);
    return status;
}

int BatchRun::RunSteps(const BatchOptions& options)
{
    if (!Step([&] {
            driver_.Create(Ez2181Driver::kProgId);
            driver_.SetErrorMethod(Ez2181Driver::kThrowExceptions);
        }, "pellori: no server object: "))
        return kNoServerObject;
    if (!port_.empty() && !Step([&] { driver_.SetPort(port_); }, "pellori: "))
        return kNoServerObject;
    if (!Step([&] { driver_.SetBaud(options.baud); }, "pellori: cannot set the line rate: "))
        return kBaudFailed;
    out_ << "Baud rate " << options.baud << '\n' << std::flush;
    ReportAdapterLatency();

    if (options.powerOn) {
        Say(StatusTexts::kPowerOnWaiting);
        if (!Step([&] { driver_.PowerOn(); }, "")) return kPowerOnFailed;
        Say(StatusTexts::kPowerIsOn);
    }
    if (options.programFile) {
        const std::string path = FullPath(*options.programFile);
        Say(StatusTexts::kProgramming);
        if (!Step([&] { driver_.ProgFlash(path); }, StatusTexts::kProgramFailed)) return kProgrammingFailed;
        Say(StatusTexts::kProgrammed);
    }
    if (options.verifyFile) {
        const std::string path = FullPath(*options.verifyFile);
        Say(StatusTexts::kVerifying);
        if (!Step([&] { driver_.VerifyFlash(path); }, StatusTexts::kVerifyFailed)) return kVerifyFailed;
        Say(StatusTexts::kVerified);
    }
    return kSuccess;
}

bool BatchRun::Step(const std::function<void()>& call, const std::string& failureHeading)
{
    std::string text;
    try {
        call();
        return true;
    } catch (const RemoteMemberError& failure) {
        text = CallFailureText::Of(failure);
    } catch (const AutomationError& failure) {
        text = failure.what();
    }
    failure_ = text;
    // The whole text: the terminal has no 99-character box.
    err_ << TerminalText(failureHeading + text) << '\n';
    // The server opens the port as this same user: a line it may not open shows here.
    if (const std::string problem = SerialAccess::PortProblem(PortMapName()); !problem.empty())
        err_ << "pellori: " << (port_.empty() ? "COM1" : port_) << ": " << problem << '\n';
    err_ << std::flush;
    return false;
}

// The server has opened the line by now and asked its driver for low-latency mode:
// what the timer reads now is what the transfers will meet.
void BatchRun::ReportAdapterLatency()
{
    const std::string device = PortMap::DevicePath(PortMapName());
    if (const std::string warning = UsbLatencyTimer::Warning(device, sysfsRoot_); !warning.empty())
        out_ << "pellori: " << (port_.empty() ? "COM1" : port_) << ": " << warning << '\n' << std::flush;
}

void BatchRun::Say(const std::string& statusText)
{
    out_ << TerminalText(statusText) << '\n' << std::flush;
}

std::string BatchRun::TerminalText(const std::string& statusText)
{
    std::string text;
    text.reserve(statusText.size());
    for (std::size_t i = 0; i < statusText.size(); ++i) {
        if (statusText[i] == '\r' && i + 1 < statusText.size() && statusText[i + 1] == '\n') continue;
        text += statusText[i];
    }
    return text;
}
