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

std::string SerialAccess::PermissionHint(const std::string& path, const std::string& group)
{
    if (group.empty()) return path + " may not be opened by this user: ask for access to it";
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
