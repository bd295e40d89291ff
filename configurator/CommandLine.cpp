#include "configurator/CommandLine.h"

#include "configurator/ConfigFile.h"
#include "configurator/StreamMessagePresenter.h"
#include "configurator/UnitConfig.h"
#include "configurator/UnitTransfer.h"
#include "platform/ProgramInfo.h"

#include <optional>

namespace {

enum class Action { None,
                    Send,
                    Receive,
                    Defaults };

std::string LowerCase(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Port selection of "com1"/"1" (0) and "com2"/"2" (1).
std::optional<int> PortSelection(const std::string& name)
{
    const std::string lower = LowerCase(name);
    if (lower == "com1" || lower == "1")
        return 0;
    if (lower == "com2" || lower == "2")
        return 1;
    return std::nullopt;
}

// "Error Opening Comm Port" alone leaves a script's user guessing: say which link or
// device failed, and how to fix it.
void SayWhyThePortDidNotOpen(const UnitTransfer& transfer, std::ostream& err)
{
    if (!transfer.OpenFailure().empty()) err << "dspq47-cli: " << transfer.OpenFailure() << '\n';
}

// What is wrong with args[i], which the command line did not take.
std::string MistakeIn(const std::vector<std::string>& args, std::size_t i, bool haveAction)
{
    const std::string& arg = args[i];
    const bool isAction = arg == "--send" || arg == "--receive" || arg == "--defaults";
    if ((isAction || arg == "--port") && i + 1 >= args.size()) return arg + " needs a value";
    if (isAction && haveAction) return "give one of --send, --receive and --defaults";
    return "unknown option \"" + arg + "\"";
}

}  // namespace

std::string CommandLine::Help()
{
    return "usage: dspq47-cli [--port com1|com2] --send FILE\n"
           "       dspq47-cli [--port com1|com2] --receive FILE\n"
           "       dspq47-cli --defaults FILE\n"
           "       dspq47-cli --help | --version\n"
           "\n"
           "dspq47-cli sends a DSP-Q47 configuration file (.Q47) to the unit on COM1 or\n"
           "COM2, saves the unit's configuration to a file, or writes a file of the\n"
           "default configuration, without a window (the dspq47 program is the dialog).\n"
           "--send refuses, without sending anything, a file that holds no configuration:\n"
           "one in which not one line of numbers can be read (an empty, text or picture\n"
           "file). Other damage is not checked: what can be read is sent.\n"
           "Exit status: 0 success, 1 the exchange or a file failed, 2 a wrong command line.\n"
           "\n" +
           ProgramInfo::PortMapHelp();
}

std::string CommandLine::DialogHelp()
{
    return "usage: dspq47 [--help | --version]\n"
           "\n"
           "dspQ47, the configurator of the DSP-Q47 radio interface unit: one dialog edits\n"
           "the unit's whole configuration (function tones, PTT, MON relay and CTCSS\n"
           "options, gains, Morse identifier, audio filters, VOX and phone options, Dig4\n"
           "and Dig5 inputs), sends it to the unit or reads it back over COM1 or COM2, and\n"
           "loads and saves it as text files (*.Q47). dspq47-cli does the same from scripts.\n"
           "\n" +
           ProgramInfo::PortMapHelp();
}

int CommandLine::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << Help();
        return kSuccess;
    }
    if (args.size() == 1 && args[0] == "--version") {
        out << ProgramInfo::VersionText("dspq47-cli");
        return kSuccess;
    }
    Action action = Action::None;
    std::string path;
    int portSelection = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--port" && hasValue) {
            const std::optional<int> selection = PortSelection(args[++i]);
            if (!selection) {
                err << ProgramInfo::UsageMistake("dspq47-cli", "unknown port \"" + args[i] + "\"");
                return kUsage;
            }
            portSelection = *selection;
        } else if ((arg == "--send" || arg == "--receive" || arg == "--defaults") && hasValue && action == Action::None) {
            action = arg == "--send" ? Action::Send : arg == "--receive" ? Action::Receive
                                                                         : Action::Defaults;
            path = args[++i];
        } else {
            err << ProgramInfo::UsageMistake("dspq47-cli", MistakeIn(args, i, action != Action::None));
            return kUsage;
        }
    }

    UnitConfig config;
    switch (action) {
    case Action::None:
        err << ProgramInfo::UsageMistake("dspq47-cli", "nothing to do: give --send FILE, --receive FILE or --defaults FILE");
        return kUsage;
    case Action::Defaults:
        if (!WriteConfigFile(config, path)) {
            err << "dspq47-cli: cannot write " << path << '\n';
            return kFailed;
        }
        return kSuccess;
    case Action::Send: {
        int numberLinesRead = 0;
        if (!ReadConfigFile(config, path, &numberLinesRead)) {
            err << "dspq47-cli: cannot read " << path << '\n';
            return kFailed;
        }
        // The reader takes what it can, so that the dialog shows what a damaged file
        // still holds; a script gets no such look, and a file without one line of
        // numbers would put the defaults into the unit.
        if (numberLinesRead == 0) {
            err << "dspq47-cli: " << path << " holds no configuration\n";
            return kFailed;
        }
        StreamMessagePresenter presenter(out, err);
        UnitTransfer transfer(presenter);
        const TransferResult result = transfer.SendToUnit(config, portSelection);
        SayWhyThePortDidNotOpen(transfer, err);
        return result == TransferResult::Done ? kSuccess : kFailed;
    }
    case Action::Receive: {
        StreamMessagePresenter presenter(out, err);
        UnitTransfer transfer(presenter);
        const TransferResult result = transfer.ReceiveFromUnit(config, portSelection);
        SayWhyThePortDidNotOpen(transfer, err);
        if (result != TransferResult::Done)
            return kFailed;
        if (!WriteConfigFile(config, path)) {
            err << "dspq47-cli: cannot write " << path << '\n';
            return kFailed;
        }
        return kSuccess;
    }
    }
    return kUsage;
}
