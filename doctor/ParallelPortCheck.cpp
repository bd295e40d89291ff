#include "doctor/ParallelPortCheck.h"

#include "doctor/DeviceAccess.h"
#include "platform/PortMap.h"

#include <filesystem>
#include <system_error>

void ParallelPortCheck::Run(const CheckContext& context, Report& report)
{
    const std::string path = PortMap::DevicePath("lpt1");
    if (path.empty()) {
        report.Add("parallel-port", "lpt1", "not in the port map (only boards on a parallel port need it)");
        return;
    }
    std::error_code error;
    const bool linked = std::filesystem::is_symlink(std::filesystem::symlink_status(path, error));
    const std::string target = linked ? std::filesystem::read_symlink(path, error).string() : path;
    const auto node = context.image.Stat(target);
    if (!node) {
        Finding& finding = report.Add("parallel-port", "lpt1", "lpt1 -> " + target + ": does not exist");
        if (linked)
            finding.Fail(target + " does not exist", "link lpt1 to the parallel port: ln -sfn /dev/parport0 " + path);
        return;
    }
    if (S_ISSOCK(node->st_mode)) {
        report.Add("parallel-port", "lpt1", "lpt1 -> " + target + ": a simulated parallel port (socket)");
        return;
    }
    Finding& finding = report.Add("parallel-port", "lpt1", "lpt1 -> " + target);
    finding.AddFact("target", target);
    if (!S_ISCHR(node->st_mode)) {
        finding.Fail(target + " is not a device", "link lpt1 to the parallel port: ln -sfn /dev/parport0 " + path);
        return;
    }
    const bool ppdev = context.image.Exists("/sys/module/ppdev");
    finding.AddFact("ppdev", ppdev ? "loaded" : "not loaded");
    if (!ppdev)
        finding.Fail("the ppdev module, through which programs use a parallel port, is not loaded",
                     "sudo modprobe ppdev; to load it at every start: echo ppdev | sudo tee /etc/modules-load.d/ppdev.conf");
    DeviceAccess::Examine(context, *context.image.Resolve(target), *node, finding);
}
