#include "platform/ProgramInfo.h"

#include "platform/PortMap.h"
#include "platform/SerialAccess.h"

#include <filesystem>
#include <system_error>

const char* ProgramInfo::Version()
{
    return VARNIX_VERSION;
}

std::string ProgramInfo::VersionText(const std::string& program)
{
    return program + " " + Version() + "\n";
}

std::string ProgramInfo::PortState(const std::string& portName)
{
    const std::string device = PortMap::DevicePath(portName);
    if (device.empty()) return portName + ": not in the port map";
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
    return "Ports: the port names COM1..COM9 and LPT1 (any case) are symbolic links in\n"
           "  " + folder + " ($XDG_CONFIG_HOME/dosdevices, ~/.config/dosdevices by default),\n"
           "  named after the port in lower case and pointing at the device. Once that\n"
           "  folder exists it is the whole map: a name without a link there is \"not in\n"
           "  the port map\" and is refused. Only while the folder does not exist is comN\n"
           "  /dev/ttyS<N-1> and lpt1 /dev/parport0. To use a USB serial adapter as COM1\n"
           "  (ls -l /dev/serial/by-id/ gives its stable name; link that one):\n"
           "      mkdir -p ~/.config/dosdevices\n"
           "      ln -sfn /dev/ttyUSB0 ~/.config/dosdevices/com1\n"
           "  A device is used by members of the group that owns it (see ls -l /dev/ttyUSB0;\n"
           "  \"dialout\" on Debian): sudo usermod -aG dialout $USER, then log in again.\n"
           "  Now (" + rule + "):\n"
           "    " + PortState("com1") + "\n"
           "    " + PortState("com2") + "\n"
           "    " + PortState("lpt1") + "\n";
}
