#include "monitor/app/CommandLineInfo.h"

#include "monitor/app/VarnixClassTable.h"
#include "platform/ProgramInfo.h"

#include <array>
#include <string>
#include <vector>

namespace {

bool Is(const QString& name, const char* expected)
{
    return name.compare(QLatin1String(expected), Qt::CaseInsensitive) == 0;
}

bool IsKnownSwitch(const QString& name)
{
    static constexpr std::array kNames = {"Embedding", "Automation", "Unregister", "Unregserver", "Register",
                                          "Regserver", "p", "pt", "dde", "?"};
    for (const char* known : kNames)
        if (Is(name, known)) return true;
    return false;
}

// "Its classes: A, B, C." from the class table, the classes scripts share,
// broken into lines of at most 79 characters.
std::string ClassesText()
{
    std::vector<std::string> names;
    for (const auto& row : VarnixClassTable::Rows())
        if (row.instancing == VarnixClassTable::Instancing::SharedServer) names.push_back(row.factory.progId());
    std::string text = "Its classes:";
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string word = names[i] + (i + 1 < names.size() ? "," : ".");
        if (text.size() - lineStart + 1 + word.size() > 79) {
            text += '\n';
            lineStart = text.size();
        } else {
            text += ' ';
        }
        text += word;
    }
    return text + '\n';
}

}  // namespace

CommandLineInfo CommandLineInfo::Parse(const QStringList& arguments)
{
    CommandLineInfo info;
    for (const QString& argument : arguments) {
        const QString name = argument.mid(1);
        const bool isSwitch = argument.size() > 1 &&
                              (argument.front() == u'-' || (argument.front() == u'/' && IsKnownSwitch(name)));
        if (!isSwitch) {
            if (info.fileName.isEmpty()) info.fileName = argument;
            continue;
        }
        if (Is(name, "Embedding"))
            info.embedding = true;
        else if (Is(name, "Automation"))
            info.automation = true;
        else if (Is(name, "Unregister") || Is(name, "Unregserver"))
            info.unregister = true;
        else if (Is(name, "Register") || Is(name, "Regserver"))
            info.registerOnly = true;
        else if (Is(name, "-help") || Is(name, "h") || Is(name, "?"))
            info.help = true;
        else if (Is(name, "-version"))
            info.version = true;
        else if (!IsKnownSwitch(name) && info.unknownSwitch.isEmpty())
            info.unknownSwitch = argument;
    }
    return info;
}

std::string CommandLineInfo::Usage()
{
    return "Usage: varnix [-Register | -Unregister | -Embedding | -Automation] [FILE]\n"
           "Varnix, the monitor server: scripts and programs such as pellori create its\n"
           "board objects over the D-Bus session bus and call them to reset and run DSP\n"
           "boards, read and write their memory, and program and verify their flash.\n" +
           ClassesText() +
           "\n"
           "  (no switch)      register the classes and show the empty server window\n"
           "  -Register        register the classes for this user and end (no window;\n"
           "                   the way to register on a machine without a display)\n"
           "  -Regserver       the same as -Register\n"
           "  -Unregister      remove the registration and the settings, and end\n"
           "  -Unregserver     the same as -Unregister\n"
           "  -Embedding       started by the session bus for a client: no window; ends\n"
           "                   when its last object is released\n"
           "  -Automation      the same as -Embedding\n"
           "  -p, -pt, -dde    accepted and ignored: the program prints nothing and has\n"
           "                   no shell integration\n"
           "  --help, -h, -?   show this text\n"
           "  --version        show the version, the release and the licence\n"
           "Switches begin with '-' or '/' and ignore case; any other switch is refused\n"
           "with status 2.\n"
           "\n"
           "Installing registers the installed program for every user (in\n"
           "<prefix>/share/automation/classes-root.ini and <prefix>/share/dbus-1/services).\n"
           "-Register writes this user's own registration, which clients use first: the\n"
           "classes (ProgIDs) to\n"
           "  $XDG_CONFIG_HOME/automation/classes-root.ini\n"
           "and, for each class, a D-Bus service file below\n"
           "  $XDG_DATA_HOME/dbus-1/services\n"
           "that starts this program, at the path it was run from, for a client.\n"
           "-Unregister removes only this user's own.\n"
           "\n" +
           ProgramInfo::PortMapHelp();
}
