#pragma once

#include <initializer_list>
#include <string>

// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the object and
// removes the folder afterwards, so that tests touching the port map or the settings
// can run in parallel. The folder holds an empty port map (dosdevices), so that a port a
// test did not link leads nowhere instead of to the machine's own /dev/ttyS*; a test of
// the rule without a map removes it.
class ScopedConfigHome {
public:
    ScopedConfigHome();
    // For tests whose line is a stand-in (FakeCommDevice, SimulatedDeviceLine): each named
    // port is linked to a path in the folder that nothing else uses, so that the port map
    // leads the stand-in somewhere and the test never depends on the machine's ports.
    explicit ScopedConfigHome(std::initializer_list<const char*> standInPorts);
    ~ScopedConfigHome();
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
    bool hadPrevious_ = false;
};
