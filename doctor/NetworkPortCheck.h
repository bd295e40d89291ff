#pragma once

#include "doctor/Check.h"

// The network ports of the port map (rfc2217://HOST:PORT). Connecting makes
// the port server open its device, so they are only connected to when asked
// (--network): then the connection and the RFC 2217 negotiation are tried.
class NetworkPortCheck : public Check {
public:
    void Run(const CheckContext& context, Report& report) override;
};
