#include "upgrade/RecordLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

RecordLog::~RecordLog()
{
    if (fd_ >= 0) ::close(fd_);
}

bool RecordLog::Open(const std::string& path)
{
    const std::lock_guard<std::mutex> hold(lock_);
    path_ = path;
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) error_ = "cannot open the log " + path + ": " + std::strerror(errno);
    return fd_ >= 0;
}

bool RecordLog::Append(const BoardRecord& record)
{
    const QByteArray line = record.JsonLine();
    const std::lock_guard<std::mutex> hold(lock_);
    if (fd_ < 0) return false;
    struct stat before {};
    const bool sized = ::fstat(fd_, &before) == 0 && S_ISREG(before.st_mode);
    const ssize_t written = ::write(fd_, line.constData(), static_cast<std::size_t>(line.size()));
    int failure = written < 0 ? errno : written != line.size() ? ENOSPC
                                                               : 0;
    // Devices and pipes cannot be synced; a file that cannot be is a failure.
    if (failure == 0 && ::fsync(fd_) != 0 && (sized || errno != EINVAL)) failure = errno;
    if (failure == 0) return true;
    // A partial line is taken out again: the file holds whole records only.
    const bool cut = sized && written > 0 && ::ftruncate(fd_, before.st_size) == 0;
    static_cast<void>(cut);
    error_ = "cannot write the log " + path_ + ": " + std::strerror(failure);
    return false;
}

std::string RecordLog::Error() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    return error_;
}
