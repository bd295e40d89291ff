// fourwire-sim: a simulated four-wire ADSP-21xx target on a Unix socket, linked
// into the port map so that the monitor server reaches it as LPT1.

#include "simulators/fourwire/FourWireSimProgram.h"
#include "simulators/ptyline/SimProgram.h"

int main(int argc, char** argv)
{
    FourWireSimProgram program;
    return SimProgram::Run(argc, argv, program.Setup());
}
