#pragma once

#include "monitor/core/Ad21xx.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// An ADSP-21xx board in memory for the family and device tests: it records
// every hook call, keeps its memories and flash, and fails on request.
class TestBoard : public Ad21xx {
public:
    struct Call {
        std::string hook;  // "ReadSpace", "WriteSpace", "ReadFlashBlock", "WriteFlashBlock"
        std::int32_t address = 0;
        std::int32_t countOrSpace = 0;  // count of a read, space of a space hook
        // The count of a read as VT_I4; the words of a space write as a VT_I4
        // array, the values of a flash write as a VT_UI1 array.
        Variant data;
    };

    static constexpr std::int16_t kBoardErrorCode = 9;
    static constexpr const char* kBoardErrorText = "Board write failed";
    static constexpr const char* kBoardReadErrorText = "Board read failed";

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // A member of the board itself, so that the family is one level down.
    Variant Reset() { return Variant::I4(1); }

    bool HasSpaces() const override { return true; }
    LinkResult ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space,
                         std::vector<std::uint32_t>& words) override;
    LinkResult WriteSpace(std::int32_t address, std::span<const std::uint32_t> words, std::int32_t space) override;
    bool HasFlashBlocks() const override { return flashHooks; }
    LinkResult ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values) override;
    LinkResult WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values) override;

    // Reads the error properties through automation, as a client does.
    std::int32_t ErrorCodeProperty();
    std::string ErrorStringProperty();
    void SetErrorMethodProperty(std::int32_t method);

    // Calls the hooks received, in order.
    std::vector<Call> calls;
    // Words by (board space, address); flash bytes by address (0xFF unset).
    std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> memory;
    std::map<std::int32_t, std::uint8_t> flash;
    // The n-th (0-based) flash or space write fails with kBoardErrorCode.
    std::optional<std::size_t> failWriteNumber;
    // The kind that write fails with.
    LinkResult::Kind failKind = LinkResult::WrongStatus;
    // When set, ReadSpace/ReadFlashBlock return these values (converted as
    // VT_I4 elements) instead of the memory.
    std::optional<Variant> readResult;
    // When set, ReadSpace/ReadFlashBlock fail with it (kBoardReadErrorText).
    std::optional<LinkResult> readFailure;
    // False: the board has no flash hooks.
    bool flashHooks = true;

private:
    std::span<const FailureText> FailureTexts() const override;
    LinkResult FailOrSucceed();
    LinkResult ReadInstead(std::vector<std::uint32_t>& values) const;
    std::size_t writes_ = 0;
};

// A family object whose board overrides no hook.
class BareAd21xx : public Ad21xx {
public:
    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }
};
