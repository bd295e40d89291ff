// ez2181-sim: a simulated ADSP-2181 EZ-KIT board on a pseudo-terminal, linked into the
// port map so that the monitor server reaches it as COM1 (or the port named).

#include "simulators/ez2181/Ez2181SimProgram.h"
#include "simulators/ptyline/SimProgram.h"

int main(int argc, char** argv)
{
    Ez2181SimProgram program;
    return SimProgram::Run(argc, argv, program.Setup());
}
