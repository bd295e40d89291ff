#include "monitor/app/CommandLineInfo.h"

#include <array>

namespace {

bool Is(const QString& name, const char* expected)
{
    return name.compare(QLatin1String(expected), Qt::CaseInsensitive) == 0;
}

bool IsKnownSwitch(const QString& name)
{
    static constexpr std::array kNames = {"Embedding", "Automation", "Unregister", "Unregserver", "p", "pt", "dde"};
    for (const char* known : kNames)
        if (Is(name, known)) return true;
    return false;
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
    }
    return info;
}
