#pragma once

#include <string>
#include <vector>

// How the fake board server of the pellori tests records and behaves, through
// two files below $XDG_CONFIG_HOME/fake-ez2181/ that the test and the server
// share:
//   calls.log    one line per call the server received, in order:
//                "put ErrorMethod 2", "SetBaud 9600", "ProgFlash /tmp/a.bnm", ...
//   control.ini  what a member does, read at each call:
//                <Member>/error=TEXT   fail with a dispatch exception of that text
//                <Member>/hang=true    never answer (the test kills the server)
//                <Member>/waitFor=PATH answer once the file PATH exists (or its
//                                      folder is gone: the test is over)
//                Create/hang, Create/waitFor   the same for creating the object
//   server.pid   the serving process, written when it starts
class FakeBoardControl {
public:
    static std::string Folder();
    static std::string LogPath();
    static std::string ControlPath();

    // Called by each member of the fake: logs `call`, then acts as the
    // control says for `member` (may throw DispatchException, may not return).
    static void Called(const std::string& member, const std::string& call);
    // Acts as the control says for `member`, without logging.
    static void Act(const std::string& member);

    static void WriteServerPid();

    // For tests.
    static std::vector<std::string> Calls();
    static int ServerPid();
    static void Set(const std::string& member, const std::string& key, const std::string& value);
};
