#include "doctor/ModemManagerCheck.h"

#include "doctor/ExampleRules.h"
#include "doctor/UdevRules.h"

#include <cctype>
#include <string>

namespace {

// The process id of a running ModemManager, empty when none runs.
std::string ModemManagerProcess(const SystemImage& image)
{
    for (const std::string& name : image.List("/proc")) {
        if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0]))) continue;
        if (image.ReadLine("/proc/" + name + "/comm") == "ModemManager") return name;
    }
    return {};
}

}  // namespace

void ModemManagerCheck::Run(const CheckContext& context, Report& report)
{
    const std::string pid = ModemManagerProcess(context.image);
    if (pid.empty()) {
        report.Add("modemmanager", "ModemManager", "not running");
        return;
    }
    // ModemManager's own rules name devices it ignores too: only the administrator's count.
    const std::string rule = UdevRules::FirstFileWith(context.image, "ID_MM_DEVICE_IGNORE");
    if (rule.starts_with("/etc/udev/rules.d/")) {
        Finding& finding = report.Add("modemmanager", "ModemManager",
                                      "running (process " + pid + "); " + rule + " tells it which ports to leave alone");
        finding.AddFact("process", pid);
        finding.AddFact("rules", rule);
        return;
    }
    Finding& finding = report.Add("modemmanager", "ModemManager", "running (process " + pid + ")");
    finding.AddFact("process", pid);
    finding.Warn("ModemManager is running: it probes every new serial port with AT commands for a few seconds, "
                 "which a board that is starting up takes for its own input",
                 "let it leave the adapters alone (ENV{ID_MM_DEVICE_IGNORE}=\"1\" in " + ExampleRules::Path() +
                     "): " + ExampleRules::InstallCommand() + "; or, without a modem: sudo systemctl disable --now ModemManager");
}
