#include "automation/DispatchError.h"

DispatchError::DispatchError(ExcepInfo info) : std::runtime_error(info.description), info_(std::move(info)) {}
