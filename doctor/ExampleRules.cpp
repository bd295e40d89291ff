#include "doctor/ExampleRules.h"

#include <unistd.h>

std::string ExampleRules::Path()
{
    const std::string packaged = std::string("/usr/share/doc/varnix/examples/") + kFileName;
    if (::access(packaged.c_str(), F_OK) == 0) return packaged;
    return std::string(VARNIX_DOC_FOLDER "/examples/") + kFileName;
}

std::string ExampleRules::InstallCommand()
{
    return "sudo cp " + Path() + " /etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm trigger";
}
