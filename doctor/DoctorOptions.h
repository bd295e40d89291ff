#pragma once

#include <string>
#include <vector>

// The command line of varnix-doctor.
struct DoctorOptions {
    bool json = false;
    bool network = false;
    bool help = false;
    bool version = false;
    std::string root;   // --root DIR: a system image instead of this machine
    std::string error;  // a mistake on the command line, empty when none

    static DoctorOptions Parse(const std::vector<std::string>& arguments);
    static std::string Usage();
};
