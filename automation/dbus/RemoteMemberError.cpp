#include "automation/dbus/RemoteMemberError.h"

RemoteMemberError::RemoteMemberError(ExcepInfo info) : std::runtime_error(info.description), info_(std::move(info)) {}
