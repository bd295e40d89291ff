#include "platform/tests/ScopedConfigHome.h"

#include "platform/PortMap.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

ScopedConfigHome::ScopedConfigHome()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "varnix-config-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
        previous_ = old;
        hadPrevious_ = true;
    }
    ::setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
    std::filesystem::create_directory(path_ + "/dosdevices");
}

ScopedConfigHome::ScopedConfigHome(std::initializer_list<const char*> standInPorts) : ScopedConfigHome()
{
    for (const char* port : standInPorts)
        if (!PortMap::Link(port, path_ + "/stand-in-" + port)) throw std::runtime_error("cannot link a stand-in port");
}

ScopedConfigHome::~ScopedConfigHome()
{
    if (hadPrevious_)
        ::setenv("XDG_CONFIG_HOME", previous_.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}
