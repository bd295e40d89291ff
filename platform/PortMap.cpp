#include "platform/PortMap.h"

#include "platform/ConfigHome.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace {

std::string LowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The number after `prefix` in `name` ("com12" -> 12), or 0 when there is none.
unsigned long NumberAfter(const std::string& name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return 0;
    unsigned long number = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])) || number > 100000) return 0;
        number = number * 10 + static_cast<unsigned long>(name[i] - '0');
    }
    return number;
}

}  // namespace

std::string PortMap::FolderPath()
{
    return ConfigHome::Path() + "/dosdevices";
}

bool PortMap::FolderExists()
{
    std::error_code error;
    return std::filesystem::is_directory(FolderPath(), error);
}

std::string PortMap::LinkPath(std::string_view portName)
{
    return FolderPath() + "/" + LowerCase(portName);
}

std::string PortMap::DevicePath(std::string_view portName)
{
    const std::string name = LowerCase(portName);
    if (name.empty() || name.find('/') != std::string::npos) return {};
    std::error_code error;
    const std::string link = LinkPath(name);
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(link, error))) return link;
    if (FolderExists()) return {};

    if (const unsigned long com = NumberAfter(name, "com"); com >= 1)
        return "/dev/ttyS" + std::to_string(com - 1);
    if (const unsigned long lpt = NumberAfter(name, "lpt"); lpt >= 1)
        return "/dev/parport" + std::to_string(lpt - 1);
    return {};
}

std::string PortMap::NotMappedText(std::string_view portName)
{
    if (!DevicePath(portName).empty()) return {};
    const std::string name = LowerCase(portName);
    const bool isPortName = NumberAfter(name, "com") >= 1 || NumberAfter(name, "lpt") >= 1;
    if (!isPortName || !FolderExists()) return "\"" + std::string(portName) + "\" is not a port name (COM1.., LPT1..)";

    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const char* example = NumberAfter(name, "lpt") >= 1 ? "/dev/parport0" : "/dev/ttyUSB0";
    return upper + " is not in the port map: " + FolderPath() + " has no link named " + name +
           ". Link the port to its device with: ln -sfn " + example + " " + LinkPath(name);
}

bool PortMap::Link(std::string_view portName, const std::string& target)
{
    const std::filesystem::path link = LinkPath(portName);
    std::error_code error;
    std::filesystem::create_directories(link.parent_path(), error);
    if (error) return false;
    std::filesystem::remove(link, error);
    std::filesystem::create_symlink(target, link, error);
    return !error;
}

void PortMap::Unlink(std::string_view portName)
{
    std::error_code error;
    std::filesystem::remove(LinkPath(portName), error);
}
