#pragma once

#include <string>

// Why a user may not open a device node, and what to do about it. On Linux,
// serial adapters belong to a group ("dialout" on Debian, "uucp" elsewhere)
// whose members may use them.
class SerialAccess {
public:
    // The name of the group that owns the device (links followed); its number
    // when it has no name, empty when the device cannot be looked at.
    static std::string GroupOf(const std::string& path);

    // "/dev/ttyUSB0 belongs to group "dialout": add your user to it (sudo usermod
    // -aG dialout $USER) and log in again". A group such as root or tty is never
    // suggested: the hint says to use another device instead.
    static std::string PermissionHint(const std::string& path, const std::string& group);

    // The hint for a path this process was denied: names the device it leads
    // to (links followed, where they can be) and that device's group.
    static std::string DeniedHint(const std::string& path);

    // The hint for a device that exists but that this process may not both
    // read and write; empty when it may, or when the device is missing.
    static std::string ProblemWith(const std::string& path);
    // The same for a port name of the port map ("com1").
    static std::string PortProblem(const std::string& portName);
};
