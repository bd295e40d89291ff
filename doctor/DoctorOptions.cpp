#include "doctor/DoctorOptions.h"

#include "platform/ProgramInfo.h"

DoctorOptions DoctorOptions::Parse(const std::vector<std::string>& arguments)
{
    DoctorOptions options;
    for (std::size_t i = 0; i < arguments.size() && options.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--json")
            options.json = true;
        else if (argument == "--network")
            options.network = true;
        else if (argument == "--help" || argument == "-h")
            options.help = true;
        else if (argument == "--version")
            options.version = true;
        else if (argument == "--root" && i + 1 < arguments.size() && !arguments[i + 1].empty())
            options.root = arguments[++i];
        else if (argument.rfind("--root=", 0) == 0 && argument.size() > 7)
            options.root = argument.substr(7);
        else if (argument == "--root")
            options.error = "--root needs a folder";
        else
            options.error = "unknown option \"" + argument + "\"";
    }
    return options;
}

std::string DoctorOptions::Usage()
{
    return "Usage: varnix-doctor [--json] [--network] [--root DIR]\n"
           "       varnix-doctor --help | --version\n"
           "\n"
           "Finds what stands between this machine and a working board, and says the fix:\n"
           "the session bus, varnix's registration and a real start of the server, the\n"
           "port map and every port in it (device, access, group, USB adapter facts),\n"
           "what grabs serial adapters (ModemManager, brltty), the parallel port and the\n"
           "network ports. It never opens a serial or parallel device.\n"
           "\n"
           "  --json       print the findings as one JSON document\n"
           "  --network    connect to the network ports of the port map and negotiate\n"
           "               RFC 2217 (the port server then opens its device)\n"
           "  --root DIR   read /sys, /dev, /proc, /etc and the udev rules from the system\n"
           "               image mounted at DIR; the session's groups are the Groups line\n"
           "               of DIR/proc/self/status\n"
           "  --help       show this text and end\n"
           "  --version    show the release and end\n"
           "\n"
           "Exit status: 0 no problem, 1 a problem was found, 2 a mistake on the command line.\n"
           "\n" +
           ProgramInfo::PortMapHelp();
}
