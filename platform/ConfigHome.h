#pragma once

#include <string>

// The folder that holds the per-user configuration of all programs:
// $XDG_CONFIG_HOME, or $HOME/.config when that is not set (or not absolute).
class ConfigHome {
public:
    static std::string Path();
};
