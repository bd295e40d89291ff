#include "platform/PpdevParallelPort.h"

#include <linux/parport.h>
#include <linux/ppdev.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

PpdevParallelPort::~PpdevParallelPort()
{
    if (fd_ >= 0) {
        ioctl(fd_, PPRELEASE);
        close(fd_);
    }
}

bool PpdevParallelPort::Open(const std::string& path, int& error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    // Exclusive: no other driver or program may share the port while we hold it.
    if (ioctl(fd, PPEXCL) != 0 || ioctl(fd, PPCLAIM) != 0) {
        error = errno;
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool PpdevParallelPort::WriteData(std::uint8_t value)
{
    unsigned char data = value;
    return fd_ >= 0 && ioctl(fd_, PPWDATA, &data) == 0;
}

bool PpdevParallelPort::ReadStatus(std::uint8_t& status)
{
    unsigned char value = 0;
    if (fd_ < 0 || ioctl(fd_, PPRSTATUS, &value) != 0)
        return false;
    status = value;
    return true;
}

std::string PpdevParallelPort::ReasonText(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "no such device (load the parport_pc and ppdev modules, or link the port "
               "name in the port map to the right /dev/parportN)";
    case EACCES:
    case EPERM:
        return "no permission (add the user to the group that owns the device, usually lp)";
    case EBUSY:
        return "the port is in use by another program or driver";
    case ENOTTY:
    case EINVAL:
        return "not a parallel port device";
    default:
        return std::strerror(error);
    }
}
