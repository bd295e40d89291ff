#pragma once

#include "automation/core/ApplicationLock.h"
#include "monitor/boards/FaderboxPort.h"
#include "monitor/core/Ad21k.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

// A digital mixing console with an ADSP-21k processor on a serial port at
// 115200 baud (ProgID "Varnix.Faderbox"). It implements none of the family's
// memory or flash hooks: those members answer empty and send nothing. The
// object opens COM1 when it is created, keeps it until it is destroyed or Port
// names another port, and holds a lock on the program while it lives.
//
// Dispatch map (positions 1 to 3): SetBaud, Ping, Port (last, so that no other
// identifier moved).
class Faderbox : public Ad21k {
public:
    static constexpr const char* kProgId = "Varnix.Faderbox";
    static constexpr const char* kClassId = "{CDBABC7B-0940-40D8-86B2-5E2E2F84D428}";
    static constexpr std::uint32_t kBaudRate = 115200;

    Faderbox();
    // For tests: the console on `device`.
    explicit Faderbox(std::unique_ptr<CommDevice> device);

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // Changes the PC's line rate only; nothing is sent and the outcome is not examined.
    Variant SetBaud(std::int32_t rate);
    // The console's two 16-bit values, 0 to 65535, as an array of two VT_I4.
    Variant Ping();
    // The port-map name of the console's port, "com1" at first; see Ez2181.
    std::string GetPort() const { return port_.PortMapName(); }
    void SetPort(const std::string& name) { SelectPort(port_, name); }

    const FaderboxPort& Port() const { return port_; }

private:
    void BeginCall() override { port_.BeginCall(); }
    std::span<const FailureText> FailureTexts() const override;
    std::string LineFailureText(const LinkResult& failure) const override;

    ApplicationLock::Holder programLock_;
    FaderboxPort port_;
};
