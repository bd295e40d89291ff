#pragma once

#include <sys/types.h>

#include <string>

// A stand-in for a serial device node: a file in /tmp (which anyone may pass
// through) owned by root and a group, readable and writable by both only.
// Removed with the object. Needs root to give the file away.
class GroupOwnedFile {
public:
    explicit GroupOwnedFile(gid_t group);
    ~GroupOwnedFile();
    GroupOwnedFile(const GroupOwnedFile&) = delete;
    GroupOwnedFile& operator=(const GroupOwnedFile&) = delete;

    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }

    // The group "dialout", or (gid_t)-1 where there is none.
    static gid_t Dialout();

private:
    std::string path_;
    bool ok_ = false;
};
