#pragma once

#include "doctor/SystemImage.h"

#include <sys/types.h>

#include <map>
#include <optional>
#include <set>
#include <string>

// Who runs the doctor and which groups this login has, next to what the
// group database says. The login's groups are those of the process: the Uid,
// Gid and Groups lines of /proc/self/status. In a system image that file
// stands for the session being looked at, and the image's /etc/passwd and
// /etc/group are the user and group database; on this machine those come
// from the system's name services.
class UserSession {
public:
    static UserSession Of(const SystemImage& image);

    uid_t Uid() const { return uid_; }
    const std::string& UserName() const { return userName_; }
    bool IsSuperUser() const { return uid_ == 0; }

    // The group's name, or its number when the database has no name for it.
    std::string GroupName(gid_t gid) const;
    // The group is one of this login's groups.
    bool InSession(gid_t gid) const { return sessionGroups_.count(gid) > 0; }
    // The group database makes the user a member of the group (as a listed
    // member or as the user's primary group).
    bool InGroupDatabase(gid_t gid) const;

    // The access mode bits grant reading and writing of a node with this
    // owner, group and mode to this login.
    bool ModeGrantsReadWrite(const struct stat& node) const;

private:
    uid_t uid_ = 0;
    gid_t primaryGroup_ = 0;
    std::string userName_;
    std::set<gid_t> sessionGroups_;
    std::map<gid_t, std::string> groupNames_;
    std::map<gid_t, std::set<std::string>> groupMembers_;
};
