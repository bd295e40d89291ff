#include "platform/LowLatencyMode.h"

#include <sys/ioctl.h>

namespace {

class KernelDriver : public LowLatencyMode::Driver {
public:
    int GetSerial(int fd, serial_struct& out) override { return ::ioctl(fd, TIOCGSERIAL, &out); }
    int SetSerial(int fd, const serial_struct& in) override { return ::ioctl(fd, TIOCSSERIAL, &in); }
};

}  // namespace

LowLatencyMode::Driver& LowLatencyMode::Kernel()
{
    static KernelDriver driver;
    return driver;
}

bool LowLatencyMode::Request(int fd)
{
    flagsBefore_.reset();
    serial_struct serial{};
    if (driver_.GetSerial(fd, serial) != 0) return false;
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) return true;
    const int before = serial.flags;
    serial.flags |= ASYNC_LOW_LATENCY;
    if (driver_.SetSerial(fd, serial) != 0) return false;
    flagsBefore_ = before;
    return true;
}

void LowLatencyMode::Restore(int fd)
{
    if (!flagsBefore_) return;
    serial_struct serial{};
    if (driver_.GetSerial(fd, serial) == 0) {
        serial.flags = *flagsBefore_;
        driver_.SetSerial(fd, serial);
    }
    flagsBefore_.reset();
}
