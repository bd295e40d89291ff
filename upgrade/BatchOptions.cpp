#include "upgrade/BatchOptions.h"

#include "platform/ProgramInfo.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

// Port names are compared as the port map compares them, without regard to case.
bool SameName(const std::vector<std::string>& names, const std::string& name)
{
    const auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    return std::any_of(names.begin(), names.end(), [&](const std::string& known) { return lower(known) == lower(name); });
}

}  // namespace

bool BatchOptions::Requested(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
        if (arg == "--batch" || arg == "--help" || arg == "-h" || arg == "--version") return true;
    return false;
}

std::optional<BatchOptions> BatchOptions::Parse(const std::vector<std::string>& args, std::string& error)
{
    BatchOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--batch") {
            options.batch = true;
        } else if (arg == "--station") {
            options.station = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--power-on") {
            options.powerOn = true;
        } else if (arg == "--baud" || arg == "--program" || arg == "--verify" || arg == "--port" ||
                   arg == "--log") {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            const std::string& value = args[++i];
            if (arg == "--port") {
                if (SameName(options.ports, value)) {
                    error = "--port " + value + " is given twice";
                    return std::nullopt;
                }
                options.ports.push_back(value);
            } else if (arg == "--program") {
                options.programFile = value;
            } else if (arg == "--verify") {
                options.verifyFile = value;
            } else if (arg == "--log") {
                options.logFile = value;
            } else {
                std::int32_t rate = 0;
                const auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), rate);
                if (failure != std::errc() || end != value.data() + value.size() || rate <= 0) {
                    error = "--baud needs a rate such as 9600, not \"" + value + "\"";
                    return std::nullopt;
                }
                options.baud = rate;
            }
        } else {
            error = "unexpected \"" + arg + "\"";
            return std::nullopt;
        }
    }
    if (!options.batch && !options.station && !options.help && !options.version) {
        error = "--batch is missing";
        return std::nullopt;
    }
    if (options.station && (options.powerOn || options.verifyFile)) {
        error = "--station waits for every board and verifies the image it programs: it takes no " +
                std::string(options.powerOn ? "--power-on" : "--verify");
        return std::nullopt;
    }
    if (options.station && options.batch && !options.programFile) {
        error = "--station needs --program FILE";
        return std::nullopt;
    }
    return options;
}

std::string BatchOptions::Usage()
{
    return "usage: pellori [-Embedding | -Automation]\n"
           "       pellori -Register | -Unregister\n"
           "       pellori --batch [--port NAME]... [--baud RATE] [--power-on] [--program FILE]\n"
           "               [--verify FILE] [--log FILE]\n"
           "       pellori [--batch] --station [--port NAME]... [--baud RATE] [--program FILE]\n"
           "               [--log FILE]\n"
           "       pellori --help | --version\n"
           "\n"
           "Pellori, the software upgrade utility, programs a DSP program file (.bnm) into\n"
           "the flash of an ADSP-2181 board on COM1 (or on the ports given), through the\n"
           "monitor server varnix.\n"
           "Without --batch, pellori opens the Software Upgrade Utility dialog (and\n"
           "registers Pellori.Application for this user, so that a client that creates it\n"
           "starts pellori). -Register does only that, -Unregister removes it; neither\n"
           "needs a display.\n"
           "\n"
           "With --batch it runs without a window: it creates the monitor server's\n"
           "varnix.Ez2181 object, sets the line rate, then waits for the board's power-on,\n"
           "programs FILE into the board's flash and verifies the flash against FILE, in\n"
           "this order, each only if asked for. It prints the dialog's status texts and,\n"
           "while flash is programmed or verified, a progress line at least every 5\n"
           "percent (\"45% (117760 of 262144 bytes)\"); it stops at the first failure.\n"
           "\n"
           "With --port, once for each board, it does the same for every board named, all\n"
           "at the same time through one varnix: each line it prints begins with the\n"
           "board's port (\"com2: Successfully Programmed!\"), a board that fails stops\n"
           "alone, and a table of the boards (port, result, time, error text) ends the\n"
           "run. The exit status is then the highest status of any board.\n"
           "\n"
           "With --station (a programming station), every port named waits for boards, one\n"
           "after the other, until SIGINT or SIGTERM: a board that announces its power-on\n"
           "is programmed with FILE and verified against it, and the next is waited for.\n"
           "The first SIGINT or SIGTERM lets the boards in progress finish, a second ends\n"
           "at once; a table of the slots follows. Without --batch it opens the station\n"
           "window instead. docs/station.md describes it.\n"
           "\n"
           "  --port NAME      a board's port in the port map (com1, com2, ...); may be\n"
           "                   repeated for several boards (default: the one board on COM1)\n"
           "  --baud RATE      line rate (default 9600; the dialog offers 9600, 19200,\n"
           "                   38400 and 115200)\n"
           "  --power-on       wait until the board is switched on (up to 10 s)\n"
           "  --program FILE   program the S-record file FILE (.bnm) into flash\n"
           "  --verify FILE    compare flash with FILE\n"
           "  --log FILE       append a record of each board to FILE (JSON Lines)\n"
           "  --station        run a programming station (above)\n"
           "  --help           show this text\n"
           "  --version        show the version, the release and the licence\n"
           "\n"
           "Exit status:\n"
           "  0  every step succeeded\n"
           "  1  the power-on wait failed (the board did not answer)\n"
           "  2  programming failed\n"
           "  3  verification failed (flash differs from the file, or it could not be read)\n"
           "  4  setting the line rate failed\n"
           "  5  the server object could not be created (varnix not registered or not\n"
           "     starting), or its --port not set\n"
           "  6  the session bus cannot be reached\n"
           "  7  the log cannot be written\n"
           "  With --station: 0 when every board passed, 1 when a board failed or was\n"
           "  interrupted, 7 when the log could not be written.\n"
           "  64 the command line was not understood\n"
           "\n"
           "The board objects come from varnix: run `varnix -Register` once (or start\n"
           "varnix by hand) so that the session bus can start it.\n"
           "\n" +
           ProgramInfo::PortMapHelp();
}
