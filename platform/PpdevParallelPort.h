#pragma once

#include "platform/ParallelPort.h"

#include <string>

// A parallel port through the Linux ppdev driver (/dev/parportN): opened, claimed
// exclusively, then PPWDATA and PPRSTATUS for the registers.
class PpdevParallelPort : public ParallelPort {
public:
    PpdevParallelPort() = default;
    ~PpdevParallelPort() override;
    PpdevParallelPort(const PpdevParallelPort&) = delete;
    PpdevParallelPort& operator=(const PpdevParallelPort&) = delete;

    // Opens and claims the device; false with the errno of the failing step.
    bool Open(const std::string& path, int& error);

    bool WriteData(std::uint8_t value) override;
    bool ReadStatus(std::uint8_t& status) override;

    // A user's explanation of an errno from Open ("no such device", "no permission").
    static std::string ReasonText(int error);

private:
    int fd_ = -1;
};
