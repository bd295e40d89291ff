// varnix-call: creates one automation object by ProgID and runs the steps
// given on the command line against it (docs/automation-over-dbus.md).
#include "automation/call/CallScript.h"
#include "automation/dbus/AutomationError.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/ProgressLine.h"
#include "automation/dbus/RemoteMemberError.h"
#include "platform/ProgramInfo.h"

#include <QCoreApplication>

#include <chrono>
#include <optional>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kExitDispatchError = 1;
constexpr int kExitAutomationError = 2;
constexpr int kExitUsage = 3;

constexpr const char* kSynopsis = "usage: varnix-call [--timeout SECONDS] [--progress] PROGID STEP...\n"
                                  "  STEP is Name, Name(arg, ...) or Name=value\n";

int Usage(const std::string& mistake)
{
    std::fputs(ProgramInfo::UsageMistake("varnix-call", mistake).c_str(), stderr);
    return kExitUsage;
}

std::string Help()
{
    return std::string(kSynopsis) +
           "\n"
           "varnix-call creates one automation object of the class PROGID (for example\n"
           "varnix.ez2181) over the D-Bus session bus and runs the steps in order: a\n"
           "method call or property get (Name, Name(arg, ...)) prints its result on a\n"
           "line of its own, a property put (Name=value) prints nothing. Values: 12, 0x1F,\n"
           "1.5, \"text\", [1, 2, 3], true, null, i2:5, ... (docs/automation-over-dbus.md).\n"
           "\n"
           "  --timeout SECONDS  fail a call whose server sent neither its answer nor\n"
           "                     progress for that long (default 60)\n"
           "  --progress         show the progress of long calls (flash programming) on\n"
           "                     standard error; shown anyway when that is a terminal\n"
           "  --help, --version  show this text, or the release\n"
           "\n"
           "A call that returns an error result (VT_ERROR, or null with the object's\n"
           "ErrorString set) stops the run: its ErrorString and ErrorCode go to standard\n"
           "error.\n"
           "\n"
           "Exit status: 0 success, 1 a member raised a dispatch exception or returned an\n"
           "error result, 2 any other automation failure, 3 a mistake on the command line.\n"
           "Example:\n"
           "  varnix-call varnix.ez2181 ErrorMethod=2 'SetBaud(38400)' 'ProgFlash(/tmp/dsp.bnm)'\n"
           "\n" +
           ProgramInfo::PortMapHelp();
}

void PrintLine(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The failure an object recorded when a call returned an error result (VT_ERROR, or
// VT_NULL with an ErrorString set): "text (code N)". Nothing for any other result, or
// for an object without the error properties.
std::optional<std::string> RecordedFailure(DispatchDriver& driver, const Variant& result)
{
    if (result.vt() != VT_ERROR && result.vt() != VT_NULL) return std::nullopt;
    std::int32_t textId = 0;
    std::int32_t codeId = 0;
    try {
        textId = driver.DispIdOfName("ErrorString");
        codeId = driver.DispIdOfName("ErrorCode");
    } catch (const AutomationError& e) {
        if (e.status() == DISP_E_UNKNOWNNAME) return std::nullopt;
        throw;
    }
    const Variant text = driver.Get(textId);
    if (text.vt() != VT_BSTR || (text.bstr().empty() && result.vt() == VT_NULL)) return std::nullopt;
    const Variant code = driver.Get(codeId);
    return text.bstr() + " (code " + (code.vt() == VT_I4 ? std::to_string(code.i4()) : CallScript::Format(code)) + ")";
}

std::string StatusText(const AutomationError& e)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(e.status()));
    return std::string(e.what()) + " (" + code + ")";
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::string> words(argv + 1, argv + argc);
    std::size_t next = 0;
    std::optional<std::chrono::milliseconds> timeout;
    bool progress = ::isatty(STDERR_FILENO) == 1;
    for (; next < words.size() && words[next].rfind("--", 0) == 0; ++next) {
        if (words[next] == "--help") {
            std::fputs(Help().c_str(), stdout);
            return 0;
        }
        if (words[next] == "--version") {
            std::fputs(ProgramInfo::VersionText("varnix-call").c_str(), stdout);
            return 0;
        }
        if (words[next] == "--progress") {
            progress = true;
            continue;
        }
        if (words[next] != "--timeout") return Usage("unknown option " + words[next]);
        if (next + 1 >= words.size()) return Usage("--timeout needs a number of seconds");
        char* end = nullptr;
        const long seconds = std::strtol(words[++next].c_str(), &end, 10);
        if (*end != '\0' || seconds <= 0)
            return Usage("--timeout takes a whole number of seconds above 0, not \"" + words[next] + "\"");
        timeout = std::chrono::seconds(seconds);
    }
    if (next >= words.size()) return Usage("no PROGID given (varnix.ez2181, varnix.sport, ...)");
    const std::string progId = words[next++];

    std::vector<CallScript::Step> steps;
    for (; next < words.size(); ++next) {
        std::string error;
        auto step = CallScript::ParseStep(words[next], error);
        if (!step) return Usage(error);
        steps.push_back(std::move(*step));
    }

    DispatchDriver driver;
    if (timeout) driver.SetCallTimeout(*timeout);
    std::string current = progId;
    ProgressLine progressLine;
    // The reports are watched even when not shown: they tell a long call from
    // a server that stopped answering.
    driver.SetProgressHandler([&](std::uint64_t done, std::uint64_t total) {
        if (!progress) return;
        if (const auto line = progressLine.Next(done, total))
            std::fprintf(stderr, "varnix-call: %s: %s\n", current.c_str(), line->c_str());
    });
    try {
        driver.Create(progId);
        for (auto& step : steps) {
            current = step.member;
            if (step.kind == CallScript::Step::Kind::Put) {
                driver.PutByName(step.member, std::move(step.args.front()));
            } else {
                const Variant result = driver.CallByName(step.member, std::move(step.args));
                if (const auto failure = RecordedFailure(driver, result)) {
                    std::fprintf(stderr, "varnix-call: %s: %s\n", current.c_str(), failure->c_str());
                    return kExitDispatchError;
                }
                PrintLine(CallScript::Format(result));
            }
        }
    } catch (const RemoteMemberError& e) {
        std::fprintf(stderr, "varnix-call: %s: %s (code %u)\n", current.c_str(), e.what(), static_cast<unsigned>(e.code()));
        return kExitDispatchError;
    } catch (const AutomationError& e) {
        std::fprintf(stderr, "varnix-call: %s: %s\n", current.c_str(), StatusText(e).c_str());
        return kExitAutomationError;
    }
    return 0;
}
