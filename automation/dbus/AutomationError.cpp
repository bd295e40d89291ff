#include "automation/dbus/AutomationError.h"

std::string AutomationError::Text(HRESULT status)
{
    switch (status) {
    case REGDB_E_CLASSNOTREG:
        return HResultText(status) + ": run varnix -Register to register the server";
    case CO_E_SERVER_EXEC_FAILURE:
        return HResultText(status) +
               ": run varnix -Register again; the server's messages go to the session bus's standard "
               "error (docs/getting-started.md)";
    case CO_E_NOTINITIALIZED:
        return "the session bus cannot be reached: start one as docs/getting-started.md says (\"A session "
               "bus where there is no desktop\")";
    case RPC_E_TIMEOUT:
        return HResultText(status) +
               "; its messages go to the session bus's standard error (docs/getting-started.md, \"Where the "
               "server's messages go\")";
    default:
        return HResultText(status);
    }
}

AutomationError::AutomationError(HRESULT status, std::uint32_t argumentIndex)
    : std::runtime_error(Text(status)), status_(status), argumentIndex_(argumentIndex)
{
}
