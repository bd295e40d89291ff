#include "doctor/Doctor.h"

#include "doctor/BrlttyCheck.h"
#include "doctor/ModemManagerCheck.h"
#include "doctor/NetworkPortCheck.h"
#include "doctor/ParallelPortCheck.h"
#include "doctor/PortMapCheck.h"
#include "doctor/RegistrationCheck.h"
#include "doctor/ServerStartCheck.h"
#include "doctor/SessionBusCheck.h"

std::vector<std::unique_ptr<Check>> Doctor::AllChecks()
{
    std::vector<std::unique_ptr<Check>> checks;
    checks.push_back(std::make_unique<SessionBusCheck>());
    checks.push_back(std::make_unique<RegistrationCheck>());
    checks.push_back(std::make_unique<ServerStartCheck>());
    checks.push_back(std::make_unique<PortMapCheck>());
    checks.push_back(std::make_unique<ModemManagerCheck>());
    checks.push_back(std::make_unique<BrlttyCheck>());
    checks.push_back(std::make_unique<ParallelPortCheck>());
    checks.push_back(std::make_unique<NetworkPortCheck>());
    return checks;
}

Report Doctor::Run(const CheckContext& context)
{
    Report report;
    for (const auto& check : AllChecks()) check->Run(context, report);
    return report;
}
