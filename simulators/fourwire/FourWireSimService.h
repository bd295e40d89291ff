#pragma once

#include "simulators/fourwire/FourWireSocketServer.h"
#include "simulators/fourwire/FourWireTarget.h"
#include "simulators/ptyline/PortClaim.h"
#include "simulators/ptyline/SimService.h"

#include <cstdint>
#include <string>
#include <thread>

// The four-wire target as the fourwire-sim program serves it: on a Unix socket
// (FourWireSocketServer) that the port map's link names, served on a thread of its own.
class FourWireSimService : public SimService {
public:
    // `socketPath` empty: FourWireSimProgram::DefaultSocketPath(), named when serving starts.
    FourWireSimService(std::uint16_t version, std::string socketPath);
    ~FourWireSimService() override;

    FourWireTarget& Target() { return target_; }

    bool Start(const SimCommandLine& line, std::string& error) override;
    std::string StartedText(const SimCommandLine& line) const override;
    void Stop() override;

private:
    FourWireTarget target_;
    std::string socketPath_;
    FourWireSocketServer server_{target_};
    PortClaim claim_;
    int stopPipe_[2] = {-1, -1};
    std::thread serving_;
};
