#pragma once

#include "automation/core/HResult.h"

#include <functional>

// The status of the AutomationError that `action` throws; S_OK when it throws none.
HRESULT StatusOf(const std::function<void()>& action);
