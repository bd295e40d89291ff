#pragma once

#include "doctor/Check.h"

#include <string>
#include <vector>

// brltty's udev rules claim some common USB serial chips (CH340, CP210x, ...)
// for braille displays: brltty then takes such an adapter as it is plugged in.
class BrlttyCheck : public Check {
public:
    void Run(const CheckContext& context, Report& report) override;

    // The "vvvv:pppp" USB ids a rules text claims (ENV{PRODUCT}=="vvvv/pppp/*"
    // or ATTRS{idVendor}=="vvvv", ATTRS{idProduct}=="pppp"), in lower case.
    static std::vector<std::string> ClaimedIds(const std::string& rules);
};
