// Writes the registration that an installation gives every user of a prefix:
// the classes-root store of varnix's classes and their D-Bus service files,
// naming the installed program. `cmake --install` runs it; it is not installed.
//   varnix-registration-files SERVER_PATH STORE_FILE SERVICES_FOLDER
#include "automation/dbus/ClassesRoot.h"
#include "monitor/app/VarnixRegistration.h"

#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4 || argv[1][0] != '/') {
        std::fputs("usage: varnix-registration-files SERVER_PATH STORE_FILE SERVICES_FOLDER (SERVER_PATH absolute)\n", stderr);
        return 2;
    }
    const QString storeFile = QString::fromLocal8Bit(argv[2]);
    // A fresh store: nothing of an earlier run is kept.
    QFile::remove(storeFile);
    const ClassesRoot classes(storeFile, QString::fromLocal8Bit(argv[3]));
    if (!VarnixRegistration::RegisterAll(argv[1], classes)) {
        std::fprintf(stderr, "varnix-registration-files: %s or %s could not be written\n", argv[2], argv[3]);
        return 1;
    }
    return 0;
}
