#include "simulators/ptyline/PortClaim.h"

#include "platform/PortMap.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A link left by a simulator whose pseudo-terminal has gone.
bool IsStalePtyLink(const fs::path& target)
{
    std::error_code error;
    return target.string().rfind("/dev/pts/", 0) == 0 && fs::symlink_status(target, error).type() == fs::file_type::not_found;
}

// A link to a live pseudo-terminal may be a simulator's that is ending (`kill "$sim"` just
// before this one started): it gets a moment to remove its link.
fs::file_status SettledStatus(const fs::path& link)
{
    std::error_code error;
    for (int i = 0; i < 100; ++i) {
        const fs::path target = fs::read_symlink(link, error);
        if (error || target.string().rfind("/dev/pts/", 0) != 0 || IsStalePtyLink(target))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return fs::symlink_status(link, error);
}

}  // namespace

PortClaim::~PortClaim()
{
    Release();
}

bool PortClaim::Claim(std::string_view port, const std::string& target, std::string& error)
{
    Release();
    const fs::path link = PortMap::LinkPath(port);
    std::error_code fsError;
    fs::create_directories(link.parent_path(), fsError);
    if (fsError) {
        error = "cannot make the port map folder " + link.parent_path().string() + ": " + fsError.message();
        return false;
    }

    const fs::file_status status = SettledStatus(link);
    if (fs::exists(status)) {
        const fs::path current = fs::is_symlink(status) ? fs::read_symlink(link, fsError) : fs::path();
        if (current.empty() || fsError) {
            error = link.string() + " exists and is not a link; remove it or choose another port with --port";
            return false;
        }
        if (current != target && !IsStalePtyLink(current)) {
            error = std::string(port) + " is already linked to " + current.string() + " (" + link.string() + "); stop what serves it, or remove the link with: rm " + link.string() + ", or choose another port with --port";
            return false;
        }
        // Our own or a stale link: replaced in one step, so the port never has no link.
        const fs::path fresh = link.string() + ".new-" + std::to_string(::getpid());
        fs::remove(fresh, fsError);
        if (::symlink(target.c_str(), fresh.c_str()) != 0 || ::rename(fresh.c_str(), link.c_str()) != 0) {
            const int failure = errno;
            fs::remove(fresh, fsError);
            error = "cannot link " + link.string() + " to " + target + ": " + std::strerror(failure);
            return false;
        }
    } else if (::symlink(target.c_str(), link.c_str()) != 0) {
        // EEXIST: another program linked the port between the look and now.
        error = "cannot link " + link.string() + " to " + target + ": " + std::strerror(errno);
        return false;
    }
    port_ = port;
    target_ = target;
    return true;
}

void PortClaim::Release()
{
    if (port_.empty())
        return;
    std::error_code error;
    const fs::path link = PortMap::LinkPath(port_);
    if (fs::read_symlink(link, error) == target_ && !error)
        fs::remove(link, error);
    port_.clear();
    target_.clear();
}
