#include "faults/tests/ServedLine.h"

#include "platform/PortMap.h"

ServedLine::ServedLine(ByteDevice& device) : server_(device, pty_.masterFd())
{
    ok_ = pty_.ok() && PortMap::Link("com1", pty_.slavePath()) && server_.Start();
}

ServedLine::ServedLine(ByteDevice& device, const std::filesystem::path& lastingName) : server_(device, pty_.masterFd())
{
    std::error_code error;
    std::filesystem::remove(lastingName, error);
    std::filesystem::create_symlink(pty_.slavePath(), lastingName, error);
    ok_ = pty_.ok() && !error && server_.Start();
}

ServedLine::~ServedLine()
{
    server_.Stop();
}

void ServedLine::Vanish()
{
    server_.Stop();
    pty_.CloseMaster();
}
