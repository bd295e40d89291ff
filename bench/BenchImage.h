#pragma once

#include <spawn.h>
#include <sys/wait.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

// The flash images of the board benchmarks: a fixed pattern, written as an
// S-record program file by srec_cat (S0, S2 and S8 records).
class BenchImage {
public:
    static std::vector<std::uint8_t> PatternBytes(std::size_t count)
    {
        std::vector<std::uint8_t> bytes(count);
        std::uint32_t state = 2181;
        for (std::uint8_t& byte : bytes) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(state >> 24);
        }
        return bytes;
    }

    // `image` from address 0 as the file `path`; `folder` takes a scratch file.
    static bool Write(const std::string& folder, const std::vector<std::uint8_t>& image, const std::string& path)
    {
        const std::string binary = folder + "/image.bin";
        std::ofstream(binary, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        return Run({"srec_cat", binary, "-binary", "-o", path, "-motorola", "-address-length=3", "-disable=data-count",
                    "-execution-start-address=0"});
    }

    // Runs `command` (its first word found on the PATH); true when it ended with status 0.
    static bool Run(std::vector<std::string> command)
    {
        std::vector<char*> argv;
        for (std::string& argument : command)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            return false;
        int status = 0;
        return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
};
