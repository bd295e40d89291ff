#include "platform/ProgramInfo.h"

#include "platform/PortCommDevice.h"
#include "platform/PortMap.h"
#include "platform/SerialAccess.h"

#include <filesystem>
#include <set>
#include <system_error>

namespace {

// The state lines of the links in `folder` other than com1, com2 and lpt1, by name.
std::string OtherLinks(const std::string& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_symlink(error) && name != "com1" && name != "com2" && name != "lpt1") names.insert(name);
    }
    std::string lines;
    for (const std::string& name : names) lines += "    " + ProgramInfo::PortState(name) + "\n";
    return lines;
}

}  // namespace

const char* ProgramInfo::Version()
{
    return VARNIX_VERSION;
}

std::string ProgramInfo::VersionText(const std::string& program, const std::string& programVersion)
{
    return program + " " + programVersion + " (varnix-tools " + Version() + ")\n" +
           "License " + kLicense + ": GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl-3.0.html>.\n"
                                   "This is free software: you are free to change and redistribute it.\n"
                                   "There is NO WARRANTY, to the extent permitted by law.\n";
}

std::string ProgramInfo::UsageMistake(const std::string& program, const std::string& mistake)
{
    return program + ": " + mistake + "\nTry '" + program + " --help' for more information.\n";
}

std::string ProgramInfo::PortState(const std::string& portName)
{
    const std::string device = PortMap::DevicePath(portName);
    if (device.empty()) return portName + ": not in the port map";
    if (const std::string address = PortCommDevice::NetworkAddress(device); !address.empty()) {
        if (!Rfc2217CommDevice::IsAddress(address))
            return portName + " -> " + Rfc2217CommDevice::NotAnAddressText(address);
        return portName + " -> " + address + " (network port, RFC 2217)";
    }
    const bool linked = device == PortMap::LinkPath(portName);
    std::error_code error;
    std::string shown = device;
    if (linked) shown = std::filesystem::read_symlink(device, error).string() + " (link)";
    std::string state = "ready";
    if (!std::filesystem::exists(device, error))
        state = "no such device";
    else if (const std::string problem = SerialAccess::ProblemWith(device); !problem.empty())
        state = problem;
    return portName + " -> " + shown + ": " + state;
}

std::string ProgramInfo::PortMapHelp()
{
    const std::string folder = PortMap::FolderPath();
    const std::string rule = PortMap::FolderExists()
                                 ? "the folder exists, so only its links count"
                                 : "there is no folder, so the defaults apply";
    return "Ports: the port names COM1 to COM255 and LPT1 (any case) are symbolic links in\n"
           "  " +
           folder + " ($XDG_CONFIG_HOME/dosdevices, ~/.config/dosdevices by default),\n"
                    "  named after the port in lower case and pointing at the device. Once that\n"
                    "  folder exists it is the whole map: a name without a link there is \"not in\n"
                    "  the port map\" and is refused. Only while the folder does not exist is comN\n"
                    "  /dev/ttyS<N-1> and lpt1 /dev/parport0. To use a USB serial adapter as COM1\n"
                    "  (ls -l /dev/serial/by-id/ gives its stable name; link that one):\n"
                    "      mkdir -p ~/.config/dosdevices\n"
                    "      ln -sfn /dev/ttyUSB0 ~/.config/dosdevices/com1\n"
                    "  /dev/ttyUSB0 may come back as /dev/ttyUSB1 when the adapter is plugged in\n"
                    "  again; a link to its name in /dev/serial/by-id/ (make and serial number) or\n"
                    "  /dev/serial/by-path/ (the USB socket) follows it there. Identical adapters\n"
                    "  without serial numbers share one by-id name, so only one of them shows: link\n"
                    "  those by their by-path names.\n"
                    "  A device is used by members of the group that owns it (see ls -l /dev/ttyUSB0;\n"
                    "  \"dialout\" on Debian): sudo usermod -aG dialout $USER, then log in again.\n"
                    "  A link whose text is rfc2217://HOST:PORT is a serial port on another machine,\n"
                    "  served over the network (RFC 2217, for example by ser2net):\n"
                    "      ln -sfn rfc2217://lab-pc:3001 ~/.config/dosdevices/com1\n"
                    "  Now (" +
           rule + "):\n"
                  "    " +
           PortState("com1") + "\n"
                               "    " +
           PortState("com2") + "\n"
                               "    " +
           PortState("lpt1") + "\n" + OtherLinks(folder);
}
