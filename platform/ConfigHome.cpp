#include "platform/ConfigHome.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

std::string ConfigHome::Path()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;

    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config";
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr)
        return std::string(user->pw_dir) + "/.config";
    return "/.config";
}
