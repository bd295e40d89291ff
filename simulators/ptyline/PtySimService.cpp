#include "simulators/ptyline/PtySimService.h"

PtySimService::PtySimService(std::unique_ptr<ByteDevice> device, std::string what)
    : device_(std::move(device)), what_(std::move(what)), port_(*device_)
{
}

bool PtySimService::Start(const SimCommandLine& line, std::string& error)
{
    port_.Server().SetLateDelay(line.lateDelay);
    line.lineOptions.ApplyTo(port_.Server());
    if (port_.Start(line.port))
        return true;
    error = port_.StartError();
    return false;
}

std::string PtySimService::StartedText(const SimCommandLine& line) const
{
    return what_ + " on " + port_.SlavePath() + ", linked as " + line.port + line.lineOptions.Description();
}

void PtySimService::Stop()
{
    port_.Stop();
}
