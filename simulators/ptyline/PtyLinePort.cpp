#include "simulators/ptyline/PtyLinePort.h"

#include "platform/PortMap.h"

#include <filesystem>
#include <system_error>

PtyLinePort::PtyLinePort(ByteDevice& device, std::uint32_t baud) : server_(device, pty_.masterFd(), baud) {}

PtyLinePort::~PtyLinePort()
{
    Stop();
}

bool PtyLinePort::Start(std::string_view portName)
{
    if (!pty_.ok() || server_.Running() || !PortMap::Link(portName, pty_.slavePath()))
        return false;
    port_ = portName;
    if (!server_.Start()) {
        Stop();
        return false;
    }
    return true;
}

void PtyLinePort::Stop()
{
    server_.Stop();
    if (port_.empty())
        return;
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(PortMap::LinkPath(port_), error);
    if (!error && target == pty_.slavePath())
        PortMap::Unlink(port_);
    port_.clear();
}

void PtyLinePort::VanishLine()
{
    server_.Stop();
    pty_.CloseMaster();
}
