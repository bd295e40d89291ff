#include "doctor/SystemImage.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace {

constexpr int kMaxLinksFollowed = 40;

}  // namespace

SystemImage::SystemImage(std::string root) : root_(std::move(root))
{
    while (!root_.empty() && root_.back() == '/') root_.pop_back();
}

std::string SystemImage::HostPath(const std::string& path) const
{
    return root_ + path;
}

std::optional<std::string> SystemImage::Resolve(const std::string& path) const
{
    std::filesystem::path pending = std::filesystem::path(path).lexically_normal();
    std::filesystem::path done = "/";
    int linksFollowed = 0;
    std::vector<std::filesystem::path> parts(pending.begin(), pending.end());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::filesystem::path& part = parts[i];
        if (part == "/" || part.empty() || part == ".") continue;
        if (part == "..") {
            done = done.parent_path();
            continue;
        }
        const std::filesystem::path next = done / part;
        std::error_code error;
        const auto status = std::filesystem::symlink_status(HostPath(next.string()), error);
        if (error || !std::filesystem::exists(status)) return std::nullopt;
        if (!std::filesystem::is_symlink(status)) {
            done = next;
            continue;
        }
        if (++linksFollowed > kMaxLinksFollowed) return std::nullopt;
        const std::filesystem::path target = std::filesystem::read_symlink(HostPath(next.string()), error);
        if (error) return std::nullopt;
        std::vector<std::filesystem::path> rest(target.begin(), target.end());
        rest.insert(rest.end(), parts.begin() + static_cast<std::ptrdiff_t>(i) + 1, parts.end());
        parts = std::move(rest);
        i = static_cast<std::size_t>(-1);
        if (target.is_absolute()) done = "/";
    }
    return done.string();
}

std::optional<std::string> SystemImage::LinkText(const std::string& path) const
{
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(HostPath(path), error);
    if (error) return std::nullopt;
    return target.string();
}

std::optional<struct stat> SystemImage::Stat(const std::string& path) const
{
    const auto resolved = Resolve(path);
    struct stat info {};
    if (!resolved || ::lstat(HostPath(*resolved).c_str(), &info) != 0) return std::nullopt;
    return info;
}

std::optional<std::string> SystemImage::ReadText(const std::string& path) const
{
    const auto info = Stat(path);
    if (!info || !S_ISREG(info->st_mode)) return std::nullopt;
    std::ifstream file(HostPath(*Resolve(path)), std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::optional<std::string> SystemImage::ReadLine(const std::string& path) const
{
    auto text = ReadText(path);
    if (!text) return std::nullopt;
    text->erase(std::min(text->find('\n'), text->size()));
    return text;
}

std::vector<std::string> SystemImage::List(const std::string& folder) const
{
    std::vector<std::string> names;
    const auto resolved = Resolve(folder);
    if (!resolved) return names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(HostPath(*resolved), error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
