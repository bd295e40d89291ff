#pragma once

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What happened to one board: the line a run appends to its log (RecordLog),
// one JSON object on one line. docs/station.md lists the fields; kFormat is
// raised whenever a field changes its meaning or goes away.
class BoardRecord {
public:
    static constexpr int kFormat = 1;

    struct Step {
        std::string name;  // "power-on", "program", "verify"
        double seconds = 0;
        bool ok = false;
        std::string error;      // the failure's text; empty when ok
        std::int64_t code = 0;  // the board's error code, or the automation status
    };

    // The image file as the run read it.
    struct Image {
        std::string path;
        std::optional<std::uint64_t> size;  // none when the file cannot be read
        std::string sha256;                 // lower-case hex; empty when the file cannot be read
    };

    // The port's link in the port map at this moment: its text and the device node
    // it leads to (empty when the port has no link).
    struct PortDevice {
        std::string link;
        std::string device;
    };

    static std::string UtcNow();  // "2024-05-01T09:30:12.345Z"
    static Image ReadImage(const std::string& path);
    static PortDevice ResolvePort(const std::string& port);

    std::string started;
    std::string ended;
    std::string port;
    PortDevice portDevice;
    Image image;
    std::vector<Step> steps;
    std::string result;  // "passed", "failed" or "interrupted"
    std::string error;
    std::int64_t code = 0;

    // The record as one JSON object and a newline.
    QByteArray JsonLine() const;
};
