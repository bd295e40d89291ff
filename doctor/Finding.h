#pragma once

#include <string>
#include <utility>
#include <vector>

// One line of the doctor's report: what was looked at, how it stands, the
// facts found on the way, and for every warning or problem its cause and the
// command or file that fixes it.
struct Finding {
    enum class Status { Ok,
                        Warning,
                        Problem };

    struct Note {
        Status status;
        std::string cause;
        std::string fix;
    };

    std::string check;    // the check's name: "session-bus", "port", ...
    std::string subject;  // what it is about: "session bus", "com1", ...
    std::string summary;  // one line
    std::vector<std::pair<std::string, std::string>> facts;
    std::vector<Note> notes;

    // The worst status of the notes; Ok without notes.
    Status status() const;
    static const char* StatusName(Status status);

    void AddFact(std::string name, std::string value) { facts.emplace_back(std::move(name), std::move(value)); }
    void Warn(std::string cause, std::string fix) { notes.push_back({Status::Warning, std::move(cause), std::move(fix)}); }
    void Fail(std::string cause, std::string fix) { notes.push_back({Status::Problem, std::move(cause), std::move(fix)}); }
};
