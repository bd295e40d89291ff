#include "automation/dbus/tests/StatusOf.h"

#include "automation/dbus/AutomationError.h"

HRESULT StatusOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const AutomationError& e) {
        return e.status();
    }
    return S_OK;
}
