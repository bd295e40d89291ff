#include "configurator/tests/FakeLineUnit.h"

long FakeLineUnit::Write(const std::uint8_t* data, std::size_t count, std::uint32_t writeTimeoutMs)
{
    lastWriteTimeoutMs_ = writeTimeoutMs;
    const long accepted = FakeCommDevice::Write(data, count, writeTimeoutMs);
    for (long i = 0; i < accepted; ++i)
        QueueInput(unit_.Receive(data[i]));
    return accepted;
}
