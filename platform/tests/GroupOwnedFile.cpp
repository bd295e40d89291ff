#include "platform/tests/GroupOwnedFile.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

GroupOwnedFile::GroupOwnedFile(gid_t group)
{
    char name[] = "/tmp/serial-access-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) return;
    ::close(fd);
    path_ = name;
    ok_ = ::chown(name, 0, group) == 0 && ::chmod(name, 0660) == 0;
}

GroupOwnedFile::~GroupOwnedFile()
{
    if (!path_.empty()) ::unlink(path_.c_str());
}

gid_t GroupOwnedFile::Dialout()
{
    const group* dialout = ::getgrnam("dialout");
    return dialout ? dialout->gr_gid : static_cast<gid_t>(-1);
}
