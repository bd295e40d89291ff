#include "platform/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Refused(const struct stat& info)
{
    if (S_ISREG(info.st_mode)) return false;
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return true;
}

}  // namespace

int RegularFile::OpenForReading(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || Refused(info)) return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &info) != 0 || Refused(info)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    // Reads of a regular file never wait; clear the flag for those who check it.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}
