#include "upgrade/BatchOptions.h"

#include "platform/ProgramInfo.h"

#include <charconv>

bool BatchOptions::Requested(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
        if (arg == "--batch" || arg == "--help" || arg == "-h" || arg == "--version") return true;
    return false;
}

std::optional<BatchOptions> BatchOptions::Parse(const std::vector<std::string>& args, std::string& error)
{
    BatchOptions options;
    bool batch = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--batch") {
            batch = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--power-on") {
            options.powerOn = true;
        } else if (arg == "--baud" || arg == "--program" || arg == "--verify") {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            const std::string& value = args[++i];
            if (arg == "--program") {
                options.programFile = value;
            } else if (arg == "--verify") {
                options.verifyFile = value;
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
    if (!batch && !options.help && !options.version) {
        error = "--batch is missing";
        return std::nullopt;
    }
    return options;
}

std::string BatchOptions::Usage()
{
    return "usage: pellori [-Embedding | -Automation]\n"
           "       pellori --batch [--baud RATE] [--power-on] [--program FILE] [--verify FILE]\n"
           "       pellori --help | --version\n"
           "\n"
           "Pellori, the software upgrade utility, programs a DSP program file (.bnm) into\n"
           "the flash of an ADSP-2181 board on COM1, through the monitor server varnix.\n"
           "Without --batch, pellori opens the Software Upgrade Utility dialog.\n"
           "\n"
           "With --batch it runs without a window: it creates the monitor server's\n"
           "varnix.Ez2181 object, sets the line rate, then waits for the board's power-on,\n"
           "programs FILE into the board's flash and verifies the flash against FILE, in\n"
           "this order, each only if asked for. It prints the dialog's status texts and,\n"
           "while flash is programmed or verified, a progress line at least every 5\n"
           "percent (\"45% (117760 of 262144 bytes)\"); it stops at the first failure.\n"
           "\n"
           "  --baud RATE      line rate (default 9600; the dialog offers 9600, 19200,\n"
           "                   38400 and 115200)\n"
           "  --power-on       wait until the board is switched on (up to 10 s)\n"
           "  --program FILE   program the S-record file FILE (.bnm) into flash\n"
           "  --verify FILE    compare flash with FILE\n"
           "  --help           show this text\n"
           "  --version        show the release\n"
           "\n"
           "Exit status:\n"
           "  0  every step succeeded\n"
           "  1  the power-on wait failed (the board did not answer)\n"
           "  2  programming failed\n"
           "  3  verification failed (flash differs from the file, or it could not be read)\n"
           "  4  setting the line rate failed\n"
           "  5  the server object could not be created (varnix not registered or not starting)\n"
           "  6  the session bus cannot be reached\n"
           "  64 the command line was not understood\n"
           "\n"
           "The board objects come from varnix: run `varnix -Register` once (or start\n"
           "varnix by hand) so that the session bus can start it.\n"
           "\n" +
           ProgramInfo::PortMapHelp();
}
