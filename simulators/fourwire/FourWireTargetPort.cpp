#include "simulators/fourwire/FourWireTargetPort.h"

#include "simulators/fourwire/FourWireTarget.h"

bool FourWireTargetPort::WriteData(std::uint8_t value)
{
    ++writes_;
    target_.WriteDataRegister(value);
    return true;
}

bool FourWireTargetPort::ReadStatus(std::uint8_t& status)
{
    ++reads_;
    status = target_.ReadStatusRegister();
    return true;
}
