#pragma once

#include <QString>
#include <QStringList>

#include <string>

// The varnix program's command line. Switches begin with '/' or '-' and are
// compared without regard to case:
//   Embedding, Automation        started by the bus for a client: no window
//   Unregister, Unregserver      remove the registration and end
//   Register, Regserver          write the registration and end (no window)
//   --help, --version            print what the program does, or its release, and end
//   p, pt, dde                   known and ignored: the program has no printing
//                                and no shell integration
// The first argument that is not a switch names a document file to open;
// further file names are ignored. An unknown "-" switch is kept in
// `unknownSwitch` so that the program can refuse it. As an absolute path
// begins with '/', "/word" is a switch only for the words above.
struct CommandLineInfo {
    bool embedding = false;
    bool automation = false;
    bool unregister = false;
    bool registerOnly = false;
    bool help = false;
    bool version = false;
    QString fileName;
    QString unknownSwitch;  // the first one, as given ("-Regsrv")

    // `arguments` without the program's own name.
    static CommandLineInfo Parse(const QStringList& arguments);

    // Started for a client ("Embedding" or "Automation").
    bool RunForClient() const { return embedding || automation; }

    // The text of --help: what the program does, its command line, its files
    // and the port map.
    static std::string Usage();
};
