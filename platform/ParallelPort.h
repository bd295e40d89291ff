#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The two registers of a parallel port that the digital instrument uses: the
// data register (outputs D0-D7) and the status register (inputs BUSY, ACK, ...).
class ParallelPort {
public:
    virtual ~ParallelPort() = default;

    // Writes the data register; false when the port cannot be reached any more.
    virtual bool WriteData(std::uint8_t value) = 0;
    // Reads the status register as the hardware shows it (BUSY, bit 7, is inverted
    // there); false when the port cannot be reached any more.
    virtual bool ReadStatus(std::uint8_t& status) = 0;

    // Opens the port that the port map gives `portName` ("LPT1"). When that name is
    // linked to a Unix socket, a simulated port served there is used; otherwise the
    // ppdev device node is opened and claimed. On failure: nullptr, and `error` says
    // why in words a user can act on (no device, no permission, in use).
    static std::unique_ptr<ParallelPort> Open(std::string_view portName, std::string& error);
};
