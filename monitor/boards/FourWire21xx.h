#pragma once

#include "automation/core/ApplicationLock.h"
#include "monitor/boards/FourWireLink.h"
#include "monitor/core/Ad21xx.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// An ADSP-21xx target on the four-wire link through LPT1 (ProgID
// "Varnix.FourWire21xx"). Data memory words are 16 bits and come back as VT_I2,
// program memory words 24 bits as VT_I4; I/O is served by the data-memory
// commands. Addresses and counts travel as 16 bits, so a request that does not
// fit is refused before anything is sent. The object holds a lock on the
// program while it lives.
//
// Dispatch map (positions 1 and 2): PowerOn, GetVer.
class FourWire21xx : public Ad21xx {
public:
    static constexpr const char* kProgId = "Varnix.FourWire21xx";
    static constexpr const char* kClassId = "{4E2B7D90-61C3-4A8F-B5D2-9C0E3F1A2B03}";

    FourWire21xx();
    // For tests: the target behind `link`.
    explicit FourWire21xx(FourWireLink link);

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // Automation members, in dispatch map order. Both return the target's 16-bit
    // version, sign-extended.
    Variant PowerOn();
    Variant GetVer();

    // Loads a program image: program sections into program memory, the word for
    // address 0 included, data sections into data memory.
    Variant LoadProg(const std::string& fileName) override;

    // Board hooks of the family: space 0 data, 1 program, 2 I/O memory.
    bool HasSpaces() const override { return true; }
    std::int32_t WordBits(std::int32_t space) const override { return space == ProgramSpace ? 32 : 16; }
    LinkResult ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space,
                         std::vector<std::uint32_t>& words) override;
    LinkResult WriteSpace(std::int32_t address, std::span<const std::uint32_t> words, std::int32_t space) override;
    // Flash blocks are 256 bytes: a read returns the first `count` bytes of the
    // block, a write pads fewer values with 0xFF, and more than 256 are refused.
    bool HasFlashBlocks() const override { return true; }
    LinkResult ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values) override;
    LinkResult WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values) override;

    FourWireLink& Link() { return link_; }

private:
    // A version result, or "Timeout Error" when the target did not answer.
    Variant VersionResult(const LinkResult& outcome, std::uint16_t version);
    std::span<const FailureText> FailureTexts() const override;
    // Why the port cannot be reached.
    std::string LineFailureText(const LinkResult& failure) const override;

    ApplicationLock::Holder programLock_;
    FourWireLink link_;
};
