#include "doctor/PortMapCheck.h"

#include "doctor/DeviceAccess.h"
#include "doctor/ExampleRules.h"
#include "doctor/UsbSerialFacts.h"
#include "platform/PortMap.h"
#include "platform/Rfc2217CommDevice.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

// What a node is, in words.
std::string KindOf(const struct stat& node)
{
    if (S_ISCHR(node.st_mode)) return "character device";
    if (S_ISDIR(node.st_mode)) return "folder";
    if (S_ISREG(node.st_mode)) return "regular file";
    if (S_ISSOCK(node.st_mode)) return "socket";
    if (S_ISBLK(node.st_mode)) return "block device";
    return "special file";
}

// The serial port links of the map, by name: neither network nor parallel ports.
std::vector<std::string> SerialPortNames()
{
    std::vector<std::string> names;
    if (!PortMap::FolderExists()) return {"com1"};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(PortMap::FolderPath(), error)) {
        const std::string name = entry.path().filename().string();
        std::error_code linkError;
        const std::string target = std::filesystem::read_symlink(entry.path(), linkError).string();
        if (linkError || name.rfind("lpt", 0) == 0 || Rfc2217CommDevice::NamesNetworkPort(target)) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

void PortMapCheck::Run(const CheckContext& context, Report& report)
{
    const std::string folder = PortMap::FolderPath();
    const std::vector<std::string> ports = SerialPortNames();
    if (PortMap::FolderExists()) {
        report.Add("port-map", "port map",
                   folder + " is the port map (it exists, so it is the whole map): " + std::to_string(ports.size()) +
                       " serial port link(s)")
            .AddFact("folder", folder);
    } else {
        report.Add("port-map", "port map",
                   folder + " does not exist: COMn is /dev/ttyS<n-1> and LPT1 is /dev/parport0 "
                            "(a link there, ln -sfn /dev/ttyUSB0 " +
                       PortMap::LinkPath("com1") + ", makes the folder the map)")
            .AddFact("folder", folder);
    }
    for (const std::string& port : ports) ExaminePort(context, port, report);
}

void PortMapCheck::ExaminePort(const CheckContext& context, const std::string& port, Report& report)
{
    const std::string link = PortMap::DevicePath(port);
    std::error_code error;
    const bool isLink = std::filesystem::is_symlink(std::filesystem::symlink_status(link, error));
    const std::string target = isLink ? std::filesystem::read_symlink(link, error).string() : link;
    const auto device = context.image.Resolve(target);
    const auto node = context.image.Stat(target);
    const std::string byIdExample = "/dev/serial/by-id/<adapter>";
    if (!device || !node) {
        report.Add("port", port, port + " -> " + target + ": does not exist")
            .Fail(target + " does not exist (the adapter is unplugged, or has another name now)",
                  "plug the adapter in, or link the port to its device: ln -sfn " + byIdExample + " " +
                      PortMap::LinkPath(port));
        return;
    }
    Finding& finding = report.Add("port", port, port + " -> " + target + ": " + KindOf(*node));
    finding.AddFact("link", link);
    finding.AddFact("target", target);
    finding.AddFact("device", *device);
    finding.AddFact("kind", KindOf(*node));
    if (!S_ISCHR(node->st_mode)) {
        finding.Fail(target + " is a " + KindOf(*node) + ", not a serial device",
                     "link the port to its device: ln -sfn " + byIdExample + " " + PortMap::LinkPath(port));
        return;
    }
    DeviceAccess::Examine(context, *device, *node, finding);
    if (device->rfind("/dev/", 0) == 0 && device->find('/', 5) == std::string::npos)
        ExamineUsb(context, port, device->substr(5), finding);
}

void PortMapCheck::ExamineUsb(const CheckContext& context, const std::string& port, const std::string& tty,
                              Finding& finding)
{
    const UsbSerialFacts facts = UsbSerialFacts::Of(context.image, tty);
    if (!facts.driver.empty()) finding.AddFact("driver", facts.driver);
    if (!facts.IsUsb()) return;
    finding.AddFact("usb id", facts.vendorId + ":" + facts.productId);
    finding.AddFact("product", facts.product);
    finding.AddFact("serial number", facts.serial);
    for (const std::string& name : facts.byId) finding.AddFact("by-id", name);
    for (const std::string& name : facts.byPath) finding.AddFact("by-path", name);
    if (facts.latencyTimerMs) {
        finding.AddFact("latency timer", std::to_string(*facts.latencyTimerMs) + " ms");
        if (*facts.latencyTimerMs > 1)
            finding.Warn("the latency timer of " + tty + " is " + std::to_string(*facts.latencyTimerMs) +
                             " ms: the adapter holds back every answer that does not fill its buffer that long",
                         "echo 1 | sudo tee " + facts.latencyTimerFile + " (until it is unplugged); to keep it: " +
                             ExampleRules::InstallCommand());
    }
    for (const UsbSerialFacts& other : UsbSerialFacts::AllUsb(context.image)) {
        if (other.tty == tty || !other.SameIdentity(facts)) continue;
        const std::string fix = facts.byPath.empty()
                                    ? "give the adapters serial numbers of their own (the vendor's tool), or unplug one"
                                    : "link the port by the USB socket instead: ln -sfn " + facts.byPath.front() + " " +
                                          PortMap::LinkPath(port);
        finding.Warn(tty + " and " + other.tty + " are two adapters with the same vendor, product and serial number (\"" +
                         facts.serial + "\"): they share one by-id name, which leads to only one of them",
                     fix);
    }
}
