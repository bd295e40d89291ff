#pragma once

#include <string>

// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the object and
// removes the folder afterwards, so that tests touching the port map or the settings
// can run in parallel.
class ScopedConfigHome {
public:
    ScopedConfigHome();
    ~ScopedConfigHome();
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
    bool hadPrevious_ = false;
};
