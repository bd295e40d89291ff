#pragma once

#include <QPointer>
#include <QStringList>

#include <string>
#include <vector>

class CPelloriDlg;

// The program: batch mode for the command line, or the upgrade dialog with the
// program's own automation object "Pellori.Application".
//
// Started with "-Embedding" or "-Automation" ("/" works as well; the case must
// match), the program was started for an automation client: it serves the
// client's creation of Pellori.Application and ends when the client lets go of
// it. Started without them, it refreshes its registration instead, so that a
// client's creation starts a fresh copy.
class CPelloriApp {
public:
    static constexpr const char* kOleInitFailed =
        "OLE initialization failed.  Make sure that the OLE libraries are the correct version.";

    // Removes the automation switches from `args` (program name first);
    // true if one was there.
    static bool TakeAutomationSwitch(std::vector<std::string>& args);

    // Writes the registration entries of Pellori.Application with `serverPath`.
    static bool Register(const std::string& serverPath);

    enum class RegistrationSwitch { None,
                                    Register,
                                    Unregister };
    // "-Register"/"-Regserver" or "-Unregister"/"-Unregserver" ('-' or '/',
    // any case) among the arguments (program name first).
    static RegistrationSwitch FindRegistrationSwitch(const std::vector<std::string>& args);

    int Run(int argc, char** argv);

private:
    int RunBatch(const std::vector<std::string>& args);
    // Registers or unregisters this user's Pellori.Application without a
    // window, and says what it did.
    static int RunRegistration(int argc, char** argv, RegistrationSwitch which);
    int RunDialog(int argc, char** argv, bool startedForClient);
    int RunStationWindow(int argc, char** argv, const std::vector<std::string>& args);
    void OnLastUnlock();

    QPointer<CPelloriDlg> dialog_;
    bool userInControl_ = true;
};
