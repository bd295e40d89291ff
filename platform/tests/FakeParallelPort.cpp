#include "platform/tests/FakeParallelPort.h"

bool FakeParallelPort::WriteData(std::uint8_t value)
{
    if (failing_)
        return false;
    writes_.push_back(value);
    return true;
}

bool FakeParallelPort::ReadStatus(std::uint8_t& status)
{
    if (failing_)
        return false;
    ++statusReads_;
    status = status_;
    return true;
}
