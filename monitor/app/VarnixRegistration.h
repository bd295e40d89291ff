#pragma once

#include "automation/dbus/ClassesRoot.h"

#include <QString>

#include <string>

// What the varnix program leaves in the user's configuration folder: the
// classes-root entries and D-Bus service files of its classes, and its own
// settings file, which stands for the registry key
// "Software\Local AppWizard-Generated Applications\Varnix".
class VarnixRegistration {
public:
    // Below the configuration folder ($XDG_CONFIG_HOME).
    static constexpr const char* kSettingsFolder = "Local AppWizard-Generated Applications";
    static constexpr const char* kSettingsFile = "Local AppWizard-Generated Applications/Varnix.ini";

    // Writes the entries and the service file of every class of the program,
    // with `serverPath` as the program to start, into `classes` (the user's
    // store unless an installation names another). False if any could not be
    // written.
    static bool RegisterAll(const std::string& serverPath, const ClassesRoot& classes = ClassesRoot());
    // What RegisterAll wrote, for the user: the classes, the program and the files.
    static QString RegisteredText(const std::string& serverPath);

    // Removes the entries and the service files of every class of the program,
    // writing none. False if any could not be removed.
    static bool UnregisterAll();
    // What UnregisterAll removed, and which registration clients find now.
    static QString UnregisteredText();

    // Deletes the settings file, and its folder when that is left empty.
    static void RemoveSettings();
    // Where the settings file of the configuration folder in use lies.
    static QString SettingsFilePath();
};
