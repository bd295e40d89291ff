#pragma once

#include "doctor/Check.h"

#include <QStringList>

#include <string>
#include <vector>

// varnix's registration: for every class of the program, its classes-root
// entry and the service file by which the bus starts the server, where the
// bus looks for it, naming a program that exists and is this release.
class RegistrationCheck : public Check {
public:
    void Run(const CheckContext& context, Report& report) override;

    // The folders the session bus reads service files from, in its order:
    // $XDG_DATA_HOME's, then those of $XDG_DATA_DIRS.
    static QStringList ServiceFolders();
    // The program an "Exec=" line starts, its quotes removed.
    static std::string ProgramOfExecLine(const std::string& exec);
};
