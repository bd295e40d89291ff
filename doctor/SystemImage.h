#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

// The machine as the doctor reads it: /sys, /dev, /proc, /etc and the udev
// rules folders, either of this machine or of a system image mounted at a
// folder (--root). Paths are given as on the machine ("/dev/ttyUSB0"); links
// are followed inside the image, so an absolute link target stays in it.
//
// Nothing here opens a device: files are read only after stat() has shown
// them to be regular files (sysfs attributes are), and devices are only ever
// looked at with stat() and readlink().
class SystemImage {
public:
    // `root`: the image's folder; empty for this machine.
    explicit SystemImage(std::string root = {});

    bool IsThisMachine() const { return root_.empty(); }
    const std::string& Root() const { return root_; }
    // Where a machine path lies in this process's file system.
    std::string HostPath(const std::string& path) const;

    // The machine path `path` leads to, every link followed; nullopt for a
    // dangling link or a loop.
    std::optional<std::string> Resolve(const std::string& path) const;
    // The text of a link, nullopt when `path` is not one.
    std::optional<std::string> LinkText(const std::string& path) const;
    // stat() of what `path` leads to.
    std::optional<struct stat> Stat(const std::string& path) const;
    bool Exists(const std::string& path) const { return Stat(path).has_value(); }

    // The text of a regular file (links followed), nullopt for anything else.
    std::optional<std::string> ReadText(const std::string& path) const;
    // The first line of ReadText without its line end.
    std::optional<std::string> ReadLine(const std::string& path) const;
    // The names in a folder, sorted; empty when it cannot be listed.
    std::vector<std::string> List(const std::string& folder) const;

private:
    std::string root_;
};
