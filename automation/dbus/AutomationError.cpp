#include "automation/dbus/AutomationError.h"

AutomationError::AutomationError(HRESULT status, std::uint32_t argumentIndex)
    : std::runtime_error(HResultText(status)), status_(status), argumentIndex_(argumentIndex)
{
}
