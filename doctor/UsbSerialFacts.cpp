#include "doctor/UsbSerialFacts.h"

#include <filesystem>

namespace {

std::string Parent(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

std::string BaseName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

// The links in a /dev/serial folder that lead to `device`.
std::vector<std::string> LinksTo(const SystemImage& image, const std::string& folder, const std::string& device)
{
    std::vector<std::string> links;
    for (const std::string& name : image.List(folder))
        if (image.Resolve(folder + "/" + name) == device) links.push_back(folder + "/" + name);
    return links;
}

}  // namespace

bool UsbSerialFacts::SameIdentity(const UsbSerialFacts& other) const
{
    return IsUsb() && vendorId == other.vendorId && productId == other.productId && serial == other.serial &&
           interface == other.interface;
}

UsbSerialFacts UsbSerialFacts::Of(const SystemImage& image, const std::string& tty)
{
    UsbSerialFacts facts;
    facts.tty = tty;
    const auto device = image.Resolve("/sys/class/tty/" + tty + "/device");
    if (!device) return facts;
    if (const auto driver = image.Resolve(*device + "/driver")) facts.driver = BaseName(*driver);
    if (const auto latency = image.ReadLine(*device + "/latency_timer")) {
        facts.latencyTimerFile = "/sys/bus/usb-serial/devices/" + tty + "/latency_timer";
        try {
            facts.latencyTimerMs = std::stoi(*latency);
        } catch (const std::exception&) {
        }
    }
    // Up from the tty's device: the USB interface, then the USB device.
    for (std::string folder = *device; folder.size() > 1; folder = Parent(folder)) {
        if (facts.interface.empty()) facts.interface = image.ReadLine(folder + "/bInterfaceNumber").value_or("");
        if (const auto vendor = image.ReadLine(folder + "/idVendor")) {
            facts.vendorId = *vendor;
            facts.productId = image.ReadLine(folder + "/idProduct").value_or("");
            facts.product = image.ReadLine(folder + "/product").value_or("");
            facts.serial = image.ReadLine(folder + "/serial").value_or("");
            break;
        }
    }
    facts.byId = LinksTo(image, "/dev/serial/by-id", "/dev/" + tty);
    facts.byPath = LinksTo(image, "/dev/serial/by-path", "/dev/" + tty);
    return facts;
}

std::vector<UsbSerialFacts> UsbSerialFacts::AllUsb(const SystemImage& image)
{
    std::vector<UsbSerialFacts> all;
    for (const std::string& tty : image.List("/sys/class/tty"))
        if (UsbSerialFacts facts = Of(image, tty); facts.IsUsb()) all.push_back(std::move(facts));
    return all;
}
