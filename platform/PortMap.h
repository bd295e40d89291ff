#pragma once

#include <string>
#include <string_view>

// Port names ("COM1", "Com2", "lpt1") to device paths, shared by all programs.
// $XDG_CONFIG_HOME/dosdevices/<name in lower case> may be a symbolic link to the device
// node; without one, comN is /dev/ttyS<N-1> and lptN is /dev/parport<N-1>.
class PortMap {
public:
    // The link path itself when the link exists (opening it follows the link), else the
    // default device; empty for a name that is neither "COM<n>" nor "LPT<n>" with n >= 1.
    static std::string DevicePath(std::string_view portName);
    // Where the link for the port lives (whether or not it exists).
    static std::string LinkPath(std::string_view portName);
    // Points the port at `target`, replacing an existing link and making the folders.
    static bool Link(std::string_view portName, const std::string& target);
    static void Unlink(std::string_view portName);
};
