#pragma once

#include <QString>
#include <QStringList>

// The varnix program's command line. Switches begin with '/' or '-' and are
// compared without regard to case:
//   Embedding, Automation        started by the bus for a client: no window
//   Unregister, Unregserver      remove the registration and end
//   p, pt, dde                   known and ignored: the program has no printing
//                                and no shell integration
// The first argument that is not a switch names a document file to open;
// further file names are ignored, and so are unknown "-" switches. As an
// absolute path begins with '/', "/word" is a switch only for the words above.
struct CommandLineInfo {
    bool embedding = false;
    bool automation = false;
    bool unregister = false;
    QString fileName;

    // `arguments` without the program's own name.
    static CommandLineInfo Parse(const QStringList& arguments);

    // Started for a client ("Embedding" or "Automation").
    bool RunForClient() const { return embedding || automation; }
};
