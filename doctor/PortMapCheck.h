#pragma once

#include "doctor/Check.h"

#include <string>

// The port map: which folder is used and why, then every serial port link in
// it (network ports and parallel ports have checks of their own): its target,
// what that is, access, and the USB facts with what they call for.
class PortMapCheck : public Check {
public:
    void Run(const CheckContext& context, Report& report) override;

private:
    static void ExaminePort(const CheckContext& context, const std::string& port, Report& report);
    static void ExamineUsb(const CheckContext& context, const std::string& port, const std::string& tty,
                           Finding& finding);
};
