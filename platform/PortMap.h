#pragma once

#include <string>
#include <string_view>

// Port names ("COM1", "Com2", "lpt1") to device paths, shared by all programs.
// $XDG_CONFIG_HOME/dosdevices/<name in lower case> is a symbolic link to the device node.
// Once that folder exists it is the whole map: a name without a link there leads nowhere,
// so that a missing or removed link can never send a request to whatever the machine's
// built-in port is wired to. Only while the folder does not exist at all is comN
// /dev/ttyS<N-1> and lptN /dev/parport<N-1>.
class PortMap {
public:
    // The folder of the links, whether or not it exists.
    static std::string FolderPath();
    static bool FolderExists();
    // The link path itself when the link exists (opening it follows the link), else the
    // default device while there is no folder; empty when the name leads nowhere (see
    // NotMappedText).
    static std::string DevicePath(std::string_view portName);
    // Why DevicePath is empty for this name, with the fix ("COM1 is not in the port map
    // ..."); empty when it is not.
    static std::string NotMappedText(std::string_view portName);
    // Where the link for the port lives (whether or not it exists).
    static std::string LinkPath(std::string_view portName);
    // Points the port at `target`, replacing an existing link and making the folders.
    static bool Link(std::string_view portName, const std::string& target);
    static void Unlink(std::string_view portName);
};
