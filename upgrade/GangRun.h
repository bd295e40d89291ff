#pragma once

#include "upgrade/BatchOptions.h"

#include <mutex>
#include <iosfwd>
#include <string>
#include <vector>

class RecordLog;

// pellori --batch with --port: the batch run of BatchRun on every port named,
// all at the same time, each board with a connection and a server object of
// its own (the bus starts one varnix for all). Every line a board prints
// begins with its port; a table of the boards follows when all have ended.
class GangRun {
public:
    struct Outcome {
        std::string port;
        int status = 0;       // BatchRun::ExitStatus
        std::string failure;  // the text of the failure; empty after a success
        double seconds = 0;
    };

    // With a `log`, each board's record is appended to it.
    GangRun(std::ostream& out, std::ostream& err, RecordLog* log = nullptr);

    // The highest exit status of any board.
    int Run(const BatchOptions& options);

    // "Port  Result  Time  Error" and a line for each board.
    static std::string Table(const std::vector<Outcome>& outcomes);
    // "ok", "power-on failed", "programming failed", ... for an exit status.
    static std::string ResultText(int status);

private:
    // Runs in a thread of its own.
    Outcome RunBoard(const BatchOptions& options, const std::string& port, int index);

    std::ostream& out_;
    std::ostream& err_;
    std::mutex lock_;  // of both streams
    RecordLog* log_;
};
