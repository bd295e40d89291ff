#pragma once

#include "configurator/UnitConfig.h"

// A record in which every field differs from its default and every value lies in the
// range the dialogs accept, so that it survives the file and the wire unchanged.
UnitConfig BusyConfig();
