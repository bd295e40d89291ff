#include "platform/tests/ScopedConfigHome.h"

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
