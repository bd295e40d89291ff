// The C++ classes-root store, driven from the command line, for the Python
// tests: they register classes with it, and compare the Python client's
// look-ups with the C++ client's on the very same file.
//   classes_root_tool register CLASSID PROGID TYPENAME SERVERPATH
//   classes_root_tool register-in STOREFILE SERVICESFOLDER CLASSID PROGID TYPENAME SERVERPATH
//                                        an installation's store, as cmake --install writes it
//   classes_root_tool unregister CLASSID PROGID
//   classes_root_tool lookup PROGID      prints the class id, exit 1 if none
//   classes_root_tool value KEY          prints the key's value, exit 1 if none
#include "automation/dbus/ClassesRoot.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

int Print(const std::optional<std::string>& text)
{
    if (!text) return 1;
    std::fwrite(text->data(), 1, text->size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    const ClassesRoot classes;
    if (command == "register" && argc == 6) return classes.Register({argv[2], argv[3], argv[4], argv[5]}) ? 0 : 1;
    if (command == "register-in" && argc == 8)
        return ClassesRoot(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])).Register({argv[4], argv[5], argv[6], argv[7]})
                   ? 0
                   : 1;
    if (command == "unregister" && argc == 4) return classes.Unregister(argv[2], argv[3]) ? 0 : 1;
    if (command == "lookup" && argc == 3) return Print(classes.ClassIdOfProgId(argv[2]));
    if (command == "value" && argc == 3) return Print(classes.Value(argv[2]));
    std::fprintf(stderr,
                 "usage: classes_root_tool register CLASSID PROGID TYPENAME SERVERPATH | unregister CLASSID PROGID |\n"
                 "       lookup PROGID | value KEY\n");
    return 2;
}
