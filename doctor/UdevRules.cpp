#include "doctor/UdevRules.h"

#include <filesystem>
#include <set>

namespace {

// In udev's order: the first folder holding a name wins.
const char* const kFolders[] = {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};

}  // namespace

std::vector<std::string> UdevRules::Files(const SystemImage& image)
{
    std::vector<std::string> files;
    std::set<std::string> names;
    for (const char* folder : kFolders)
        for (const std::string& name : image.List(folder))
            if (name.size() > 6 && name.ends_with(".rules") && names.insert(name).second)
                files.push_back(std::string(folder) + "/" + name);
    return files;
}

bool UdevRules::IsMasked(const SystemImage& image, const std::string& file)
{
    const std::string name = std::filesystem::path(file).filename().string();
    return image.LinkText("/etc/udev/rules.d/" + name) == "/dev/null";
}

std::string UdevRules::FirstFileWith(const SystemImage& image, const std::string& text)
{
    for (const std::string& file : Files(image))
        if (image.ReadText(file).value_or("").find(text) != std::string::npos) return file;
    return {};
}
