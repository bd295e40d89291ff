#include "simulators/fourwire/FourWireSimService.h"

#include "simulators/fourwire/FourWireSimProgram.h"

#include "platform/Clock.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

FourWireSimService::FourWireSimService(std::uint16_t version, std::string socketPath)
    : target_(Clock::Steady(), version), socketPath_(std::move(socketPath))
{
}

FourWireSimService::~FourWireSimService()
{
    Stop();
    for (int fd : stopPipe_)
        if (fd >= 0)
            close(fd);
}

bool FourWireSimService::Start(const SimCommandLine& line, std::string& error)
{
    if (socketPath_.empty())
        socketPath_ = FourWireSimProgram::DefaultSocketPath();
    if (pipe2(stopPipe_, O_CLOEXEC) != 0) {
        error = "cannot watch for signals";
        return false;
    }
    if (!server_.Listen(socketPath_, error))
        return false;
    socketPath_ = std::filesystem::absolute(socketPath_).string();
    if (!claim_.Claim(line.port, socketPath_, error))
        return false;
    serving_ = std::thread([this] { server_.Serve(stopPipe_[0]); });
    return true;
}

std::string FourWireSimService::StartedText(const SimCommandLine& line) const
{
    return "Four-wire target on " + socketPath_ + ", linked as " + line.port;
}

void FourWireSimService::Stop()
{
    if (serving_.joinable()) {
        // The serving thread sees the pipe's hang-up and returns.
        close(stopPipe_[1]);
        stopPipe_[1] = -1;
        serving_.join();
    }
    claim_.Release();
}
