#pragma once

#include "monitor/boards/Ezkit21kLink.h"
#include "monitor/boards/SerialBoard.h"
#include "monitor/core/Ad21k.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// An ADSP-21k EZ-KIT board whose monitor exchanges packets of 32-bit words on
// a serial port at 115200 baud (ProgID "Varnix.Ezkit21k"), on COM1 at first
// (SerialBoard). It implements data memory and the flash blocks (through the
// monitor's mailbox); program memory keeps the family's empty answer.
//
// Dispatch map (positions 1 to 6): ResyncComm, ProgFlash, VerifyFlash,
// SetLockout, GetLockout, Port (last, so that no other identifier moved).
class Ezkit21k : public SerialBoard<Ad21k, Ezkit21kLink> {
public:
    static constexpr const char* kProgId = "Varnix.Ezkit21k";
    static constexpr const char* kClassId = "{5507C4D5-FC4B-455B-BB9E-74B7E838EBBC}";
    static constexpr std::uint32_t kBaudRate = 115200;
    static constexpr std::int32_t kFlashPageSize = 256;
    // The mailbox buffer holds this many byte values.
    static constexpr std::int32_t kMaxFlashBlock = 256;

    Ezkit21k();
    // For tests: the board on `device`.
    explicit Ezkit21k(std::unique_ptr<CommDevice> device);

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // Automation members, in dispatch map order.
    Variant ResyncComm();
    // Format 0 reads the file as Intel HEX, any other as S-records.
    Variant ProgFlash(const std::string& fileName, std::int32_t format);
    Variant VerifyFlash(const std::string& fileName, std::int32_t format);
    Variant SetLockout(std::int32_t value);
    // The lockout bit mask, 0 to 3.
    Variant GetLockout();

    bool HasDataMemory() const override { return true; }
    LinkResult ReadDataMemory(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& words) override;
    LinkResult WriteDataMemory(std::int32_t address, std::span<const std::uint32_t> words) override;
    bool HasFlashBlocks() const override { return true; }
    LinkResult ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values) override;
    LinkResult WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values) override;

private:
    std::span<const FailureText> FailureTexts() const override;
};
