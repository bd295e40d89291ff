#pragma once

#include "doctor/SystemImage.h"

#include <string>
#include <vector>

// The udev rules files of a system, in the folders udev reads them from. A
// file in /etc/udev/rules.d hides one of the same name in the other folders;
// a link from there to /dev/null masks it.
class UdevRules {
public:
    // Every rules file, one path per name (the one udev uses).
    static std::vector<std::string> Files(const SystemImage& image);
    static bool IsMasked(const SystemImage& image, const std::string& file);
    // The first rules file whose text holds `text`, empty when none does.
    static std::string FirstFileWith(const SystemImage& image, const std::string& text);
};
