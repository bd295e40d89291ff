#pragma once

#include "monitor/boards/Ez2181Link.h"
#include "monitor/boards/SerialBoard.h"
#include "monitor/core/Ad21xx.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// An ADSP-2181 EZ-KIT board with its resident monitor on a serial port (ProgID
// "Varnix.Ez2181"), on COM1 at first (SerialBoard). The line runs at 38400
// baud until SetBaud changes it.
//
// Dispatch map (positions 1 to 5): Reset, Run, SetBaud, PowerOn, Port. Port came
// last, so that the identifiers of the others stay as clients know them.
class Ez2181 : public SerialBoard<Ad21xx, Ez2181Link> {
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
    // Waits up to 10 s for the board's power-on frame and acknowledges it.
    Variant PowerOn();

    // Board hooks of the family: space 0 data, 1 program, 2 I/O memory.
    bool HasSpaces() const override { return true; }
    LinkResult ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space,
                         std::vector<std::uint32_t>& words) override;
    LinkResult WriteSpace(std::int32_t address, std::span<const std::uint32_t> words, std::int32_t space) override;
    bool HasFlashBlocks() const override { return true; }
    LinkResult ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values) override;
    LinkResult WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values) override;

private:
    std::span<const FailureText> FailureTexts() const override;
};
