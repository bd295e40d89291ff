// pellori: the software upgrade utility. See CPelloriApp and `pellori --help`.
#include "upgrade/CPelloriApp.h"

int main(int argc, char** argv)
{
    return CPelloriApp().Run(argc, argv);
}
