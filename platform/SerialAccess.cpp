#include "platform/SerialAccess.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

std::string SerialAccess::ProblemWith(const std::string& path)
{
    if (::access(path.c_str(), R_OK | W_OK) == 0 || (errno != EACCES && errno != EPERM)) return {};
    return PermissionHint(path, GroupOf(path));
}
