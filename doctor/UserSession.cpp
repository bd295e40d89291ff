#include "doctor/UserSession.h"

#include <grp.h>
#include <pwd.h>

#include <charconv>
#include <optional>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

// The numbers after "<key>:" in /proc/<pid>/status.
std::vector<unsigned long> StatusNumbers(const std::string& status, const std::string& key)
{
    std::istringstream lines(status);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + ":", 0) != 0) continue;
        std::istringstream numbers(line.substr(key.size() + 1));
        std::vector<unsigned long> values;
        unsigned long value = 0;
        while (numbers >> value) values.push_back(value);
        return values;
    }
    return {};
}

// A database field's number; nullopt for anything else.
std::optional<unsigned long> Number(const std::string& field)
{
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || field.empty()) return std::nullopt;
    return value;
}

}  // namespace

UserSession UserSession::Of(const SystemImage& image)
{
    UserSession session;
    const std::string status = image.ReadText("/proc/self/status").value_or("");
    // Real, effective, saved and file system ids: access goes by the effective one.
    if (const auto uids = StatusNumbers(status, "Uid"); uids.size() > 1) session.uid_ = static_cast<uid_t>(uids[1]);
    const auto gids = StatusNumbers(status, "Gid");
    if (gids.size() > 1) session.sessionGroups_.insert(static_cast<gid_t>(gids[1]));
    for (const unsigned long gid : StatusNumbers(status, "Groups")) session.sessionGroups_.insert(static_cast<gid_t>(gid));

    if (image.IsThisMachine()) {
        if (const passwd* user = ::getpwuid(session.uid_)) {
            session.userName_ = user->pw_name;
            session.primaryGroup_ = user->pw_gid;
        }
        ::setgrent();
        while (const group* entry = ::getgrent()) {
            session.groupNames_[entry->gr_gid] = entry->gr_name;
            for (char** member = entry->gr_mem; *member; ++member) session.groupMembers_[entry->gr_gid].insert(*member);
        }
        ::endgrent();
        return session;
    }

    std::istringstream users(image.ReadText("/etc/passwd").value_or(""));
    for (std::string line; std::getline(users, line);) {
        const auto fields = Split(line, ':');
        if (fields.size() >= 4 && fields[2] == std::to_string(session.uid_)) {
            session.userName_ = fields[0];
            session.primaryGroup_ = static_cast<gid_t>(Number(fields[3]).value_or(0));
            break;
        }
    }
    std::istringstream groups(image.ReadText("/etc/group").value_or(""));
    for (std::string line; std::getline(groups, line);) {
        const auto fields = Split(line, ':');
        const auto number = fields.size() >= 4 ? Number(fields[2]) : std::nullopt;
        if (!number) continue;
        const auto gid = static_cast<gid_t>(*number);
        session.groupNames_[gid] = fields[0];
        for (const std::string& member : Split(fields[3], ','))
            if (!member.empty()) session.groupMembers_[gid].insert(member);
    }
    return session;
}

std::string UserSession::GroupName(gid_t gid) const
{
    const auto name = groupNames_.find(gid);
    return name != groupNames_.end() ? name->second : std::to_string(gid);
}

bool UserSession::InGroupDatabase(gid_t gid) const
{
    if (gid == primaryGroup_ && !userName_.empty()) return true;
    const auto members = groupMembers_.find(gid);
    return members != groupMembers_.end() && members->second.count(userName_) > 0;
}

bool UserSession::ModeGrantsReadWrite(const struct stat& node) const
{
    if (IsSuperUser()) return true;
    const mode_t wanted = node.st_uid == uid_      ? (S_IRUSR | S_IWUSR)
                          : InSession(node.st_gid) ? (S_IRGRP | S_IWGRP)
                                                   : (S_IROTH | S_IWOTH);
    return (node.st_mode & wanted) == wanted;
}
