// varnix-call: creates one automation object by ProgID and runs the steps
// given on the command line against it (docs/automation-over-dbus.md).
#include "automation/AutomationError.h"
#include "automation/DispatchDriver.h"
#include "automation/DispatchError.h"
#include "automation/call/CallScript.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kExitDispatchError = 1;
constexpr int kExitAutomationError = 2;
constexpr int kExitUsage = 3;

int Usage()
{
    std::fprintf(stderr,
                 "usage: varnix-call [--timeout SECONDS] PROGID STEP...\n"
                 "  STEP is Name, Name(arg, ...) or Name=value\n");
    return kExitUsage;
}

void PrintLine(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
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
    auto timeout = DispatchDriver::kDefaultCallTimeout;
    if (next < words.size() && words[next] == "--timeout") {
        if (next + 1 >= words.size()) return Usage();
        char* end = nullptr;
        const long seconds = std::strtol(words[next + 1].c_str(), &end, 10);
        if (*end != '\0' || seconds <= 0) return Usage();
        timeout = std::chrono::seconds(seconds);
        next += 2;
    }
    if (next >= words.size()) return Usage();
    const std::string progId = words[next++];

    std::vector<CallScript::Step> steps;
    for (; next < words.size(); ++next) {
        std::string error;
        auto step = CallScript::ParseStep(words[next], error);
        if (!step) {
            std::fprintf(stderr, "varnix-call: %s\n", error.c_str());
            return kExitUsage;
        }
        steps.push_back(std::move(*step));
    }

    DispatchDriver driver;
    driver.SetCallTimeout(timeout);
    std::string current = progId;
    try {
        driver.Create(progId);
        for (auto& step : steps) {
            current = step.member;
            if (step.kind == CallScript::Step::Kind::Put) {
                driver.PutByName(step.member, std::move(step.args.front()));
            } else {
                PrintLine(CallScript::Format(driver.CallByName(step.member, std::move(step.args))));
            }
        }
    } catch (const DispatchError& e) {
        std::fprintf(stderr, "varnix-call: %s: %s (code %u)\n", current.c_str(), e.what(), static_cast<unsigned>(e.code()));
        return kExitDispatchError;
    } catch (const AutomationError& e) {
        std::fprintf(stderr, "varnix-call: %s: %s\n", current.c_str(), StatusText(e).c_str());
        return kExitAutomationError;
    }
    return 0;
}
