#include "simulators/ptyline/PtyLinePort.h"

PtyLinePort::PtyLinePort(ByteDevice& device, std::uint32_t baud) : server_(device, pty_.masterFd(), baud) {}

PtyLinePort::~PtyLinePort()
{
    Stop();
}

bool PtyLinePort::Start(std::string_view portName)
{
    if (!pty_.ok() || server_.Running()) {
        startError_ = "cannot open a pseudo-terminal";
        return false;
    }
    if (!claim_.Claim(portName, pty_.slavePath(), startError_))
        return false;
    if (!server_.Start()) {
        startError_ = "cannot start serving the pseudo-terminal";
        Stop();
        return false;
    }
    return true;
}

void PtyLinePort::Stop()
{
    server_.Stop();
    claim_.Release();
}

void PtyLinePort::VanishLine()
{
    server_.Stop();
    pty_.CloseMaster();
}
