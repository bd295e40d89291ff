#pragma once

#include <algorithm>
#include <cstdint>
#include <poll.h>
#include <unistd.h>
#include <vector>

// Reads from `fd` until `count` bytes came or no byte came for `patienceMs`.
inline std::vector<std::uint8_t> ReadWithPatience(int fd, std::size_t count, int patienceMs)
{
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < count) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, patienceMs) <= 0)
            break;
        std::uint8_t chunk[512];
        const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, count - bytes.size()));
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}
