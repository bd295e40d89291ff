#pragma once

#include "upgrade/BoardRecord.h"

#include <mutex>
#include <string>

// The log of board records: a file that each record is appended to whole, with
// one write, and flushed to the disk before Append returns, so that a power cut
// loses at most the boards in progress. A record that cannot be written whole
// is taken out again, so the file only ever holds whole lines. Safe to use from
// several threads.
class RecordLog {
public:
    RecordLog() = default;
    ~RecordLog();
    RecordLog(const RecordLog&) = delete;
    RecordLog& operator=(const RecordLog&) = delete;

    // Opens (or creates) the file for appending; false with Error() set when it cannot.
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    // False with Error() set when the record is not on the disk.
    bool Append(const BoardRecord& record);
    // "cannot write the log /path: No space left on device"
    std::string Error() const;

private:
    mutable std::mutex lock_;
    std::string path_;
    std::string error_;
    int fd_ = -1;
};
