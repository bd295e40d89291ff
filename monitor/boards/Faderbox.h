#pragma once

#include "monitor/boards/FaderboxLink.h"
#include "monitor/boards/SerialBoard.h"
#include "monitor/core/Ad21k.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

// A digital mixing console with an ADSP-21k processor on a serial port at
// 115200 baud (ProgID "Varnix.Faderbox"). It implements none of the family's
// memory or flash hooks: those members answer empty and send nothing. It is on
// COM1 at first (SerialBoard).
//
// Dispatch map (positions 1 to 3): SetBaud, Ping, Port (last, so that no other
// identifier moved).
class Faderbox : public SerialBoard<Ad21k, FaderboxLink> {
public:
    static constexpr const char* kProgId = "Varnix.Faderbox";
    static constexpr const char* kClassId = "{CDBABC7B-0940-40D8-86B2-5E2E2F84D428}";
    static constexpr std::uint32_t kBaudRate = 115200;

    Faderbox();
    // For tests: the console on `device`.
    explicit Faderbox(std::unique_ptr<CommDevice> device);

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // The console's two 16-bit values, 0 to 65535, as an array of two VT_I4.
    Variant Ping();

private:
    std::span<const FailureText> FailureTexts() const override;
};
