#pragma once

#include "configurator/QtUserInteraction.h"
#include "configurator/UnitConfig.h"

// The configurator program: one record for the whole run and the main dialog, run
// modally. The program ends when the dialog does; nothing is kept.
class CConfiguratorApp {
public:
    // Runs the main dialog; the program's exit code.
    int Run();

private:
    UnitConfig config_;
    QtUserInteraction interaction_;
};
