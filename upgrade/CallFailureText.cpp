#include "upgrade/CallFailureText.h"

#include "automation/dbus/AutomationError.h"
#include "automation/dbus/RemoteMemberError.h"

#include <cstdio>

std::string CallFailureText::Of(const RemoteMemberError& failure)
{
    const std::string text = failure.what();
    if (text != kVerifyMismatch) return text;
    char address[32];
    std::snprintf(address, sizeof address, " 0x%04X (low 16 bits)", static_cast<unsigned>(failure.code()));
    return text + address;
}

std::string CallFailureText::Of(const AutomationError& failure)
{
    const std::string text = failure.what();
    switch (failure.status()) {
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
        return text + "; " + kServerEndedRemedy;
    case RPC_E_DISCONNECTED:
        return text + ": the varnix server has ended; " + kServerEndedRemedy;
    default:
        return text;
    }
}
