#include "simulators/ez2181/Ez2181SimulatedPort.h"

#include "platform/PortMap.h"

#include <filesystem>
#include <system_error>

Ez2181SimulatedPort::Ez2181SimulatedPort(std::uint32_t baud) : runner_(board_, pty_.masterFd(), baud) {}

Ez2181SimulatedPort::~Ez2181SimulatedPort()
{
    Stop();
}

bool Ez2181SimulatedPort::Start(std::string_view portName)
{
    if (!pty_.ok() || runner_.Running() || !PortMap::Link(portName, pty_.slavePath()))
        return false;
    port_ = portName;
    if (!runner_.Start()) {
        Stop();
        return false;
    }
    return true;
}

void Ez2181SimulatedPort::Stop()
{
    runner_.Stop();
    if (port_.empty())
        return;
    // A board started later under the same name keeps its link.
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(PortMap::LinkPath(port_), error);
    if (!error && target == pty_.slavePath())
        PortMap::Unlink(port_);
    port_.clear();
}

void Ez2181SimulatedPort::VanishLine()
{
    runner_.Stop();
    pty_.CloseMaster();
}
