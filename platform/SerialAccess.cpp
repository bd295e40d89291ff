#include "platform/SerialAccess.h"

#include "platform/PortMap.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

std::string SerialAccess::GroupOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    if (const group* owner = ::getgrgid(info.st_gid)) return owner->gr_name;
    return std::to_string(info.st_gid);
}

namespace {

// Groups whose members get far more than a serial port: a user is never told to join one.
bool IsPrivileged(const std::string& name)
{
    for (const char* privileged : {"root", "tty", "disk", "kmem", "shadow", "sudo", "wheel", "adm", "staff", "utmp"})
        if (name == privileged) return true;
    const group* entry = ::getgrnam(name.c_str());
    return entry != nullptr && entry->gr_gid == 0;
}

}  // namespace

std::string SerialAccess::PermissionHint(const std::string& path, const std::string& group)
{
    if (group.empty()) return path + " may not be opened by this user: ask for access to it";
    if (IsPrivileged(group))
        return path + " belongs to group \"" + group + "\", which is not meant for users: use another device "
                                                       "(ls -l /dev/serial/by-id/ lists the serial adapters) and link it in the port map";
    return path + " belongs to group \"" + group + "\": add your user to it (sudo usermod -aG " + group +
           " $USER) and log in again";
}

std::string SerialAccess::DeniedHint(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path device = std::filesystem::canonical(path, error);
    return PermissionHint(error ? path : device.string(), GroupOf(path));
}

std::string SerialAccess::ProblemWith(const std::string& path)
{
    if (::access(path.c_str(), R_OK | W_OK) == 0 || (errno != EACCES && errno != EPERM)) return {};
    return DeniedHint(path);
}

std::string SerialAccess::PortProblem(const std::string& portName)
{
    return ProblemWith(PortMap::DevicePath(portName));
}
