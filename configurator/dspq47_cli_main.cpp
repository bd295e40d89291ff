// dspq47-cli: sends .Q47 configuration files to DSP-Q47 units and reads them back,
// without a window.

#include "configurator/CommandLine.h"

#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return CommandLine::Run(args, std::cout, std::cerr);
}
