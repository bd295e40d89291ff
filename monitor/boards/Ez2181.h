#pragma once

#include "automation/core/ApplicationLock.h"
#include "monitor/boards/Ez2181Link.h"
#include "monitor/core/Ad21xx.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// An ADSP-2181 EZ-KIT board with its resident monitor on a serial port (ProgID
// "Varnix.Ez2181"). The object opens COM1 through the port map when it is
// created and keeps it, exclusively, until it is destroyed or Port names another
// port; a port that cannot be opened does not stop the creation, the first
// transfer fails instead. The line runs at 38400 baud until SetBaud changes it.
// The object holds a lock on the program while it lives.
//
// Dispatch map (positions 1 to 5): Reset, Run, SetBaud, PowerOn, Port. Port came
// last, so that the identifiers of the others stay as clients know them.
class Ez2181 : public Ad21xx {
public:
    static constexpr const char* kProgId = "Varnix.Ez2181";
    static constexpr const char* kClassId = "{3A0F6C21-52D4-4E8B-9C17-2B8E40D1A001}";

    static constexpr std::uint32_t kInitialBaudRate = 38400;

    Ez2181();
    // For tests: the board on `device`, its power-on wait on `clock`.
    Ez2181(std::unique_ptr<CommDevice> device, Clock& clock);

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // Automation members, in dispatch map order.
    Variant Reset(std::int32_t unused);
    // Starts the program: operands below 2 are sent as they are, any other sends the
    // start word held from the last LoadProg.
    Variant Run(std::int32_t operand);
    // Changes the PC's line rate only; the board must already listen at that rate.
    Variant SetBaud(std::int32_t rate);
    // Waits up to 10 s for the board's power-on frame and acknowledges it.
    Variant PowerOn();
    // The port-map name of the board's port, "com1" at first. Setting it closes
    // the line; the next call opens the new port at the rate the line had.
    std::string GetPort() const { return link_.PortMapName(); }
    void SetPort(const std::string& name) { SelectPort(link_, name); }

    // Board hooks of the family: space 0 data, 1 program, 2 I/O memory.
    bool HasSpaces() const override { return true; }
    LinkResult ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space,
                         std::vector<std::uint32_t>& words) override;
    LinkResult WriteSpace(std::int32_t address, std::span<const std::uint32_t> words, std::int32_t space) override;
    bool HasFlashBlocks() const override { return true; }
    LinkResult ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values) override;
    LinkResult WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values) override;

    const Ez2181Link& Link() const { return link_; }

private:
    void BeginCall() override { link_.BeginCall(); }
    void OpenLine();
    std::span<const FailureText> FailureTexts() const override;
    std::string LineFailureText(const LinkResult& failure) const override;

    ApplicationLock::Holder programLock_;
    Ez2181Link link_;
};
