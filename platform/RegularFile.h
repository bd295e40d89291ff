#pragma once

#include <string>

// Opens a file by name for reading, but only a regular file. A FIFO would hold
// the open until a writer came and a device would wait for its input, so every
// name that is not a regular file is refused before it is opened, and once more
// on the opened descriptor in case the name changed in between. The open itself
// never blocks.
class RegularFile {
public:
    // A read-only descriptor (close-on-exec, blocking reads), or -1 with errno
    // set: EISDIR for a folder, EINVAL for any other kind of file that is not a
    // regular file, else the error of stat or open.
    static int OpenForReading(const std::string& path);
};
