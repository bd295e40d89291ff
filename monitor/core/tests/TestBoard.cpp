#include "monitor/core/tests/TestBoard.h"

#include "monitor/core/BoardValues.h"

#include <gtest/gtest.h>

const DispatchMap& TestBoard::Map()
{
    static const DispatchMap map = DispatchMap::Builder<TestBoard, Ad21xx>()
                                       .Method("Reset", &TestBoard::Reset)
                                       .Build();
    return map;
}

const DispatchMap& BareAd21xx::Map()
{
    static const DispatchMap map = DispatchMap::Builder<BareAd21xx, Ad21xx>().Build();
    return map;
}

namespace {

constexpr FailureText kFailures[] = {
    {LinkResult::WrongStatus, TestBoard::kBoardErrorText, FailureText::FromFailure},
    {LinkResult::NoResponse, TestBoard::kBoardReadErrorText, FailureText::FromFailure},
};

}  // namespace

std::span<const FailureText> TestBoard::FailureTexts() const
{
    return kFailures;
}

LinkResult TestBoard::FailOrSucceed()
{
    LinkResult outcome;
    if (failWriteNumber && *failWriteNumber == writes_)
        outcome = {failKind, kBoardErrorCode};
    ++writes_;
    return outcome;
}

LinkResult TestBoard::ReadInstead(std::vector<std::uint32_t>& values) const
{
    if (readFailure)
        return *readFailure;
    std::optional<std::vector<std::uint32_t>> words = BoardValues::Words32(*readResult);
    EXPECT_TRUE(words.has_value()) << *readResult;
    if (words)
        values = *words;
    return {};
}

LinkResult TestBoard::ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space,
                                std::vector<std::uint32_t>& words)
{
    calls.push_back({"ReadSpace", address, space, Variant::I4(count)});
    if (readResult || readFailure)
        return ReadInstead(words);
    for (std::int32_t i = 0; i < count; ++i)
        words.push_back(static_cast<std::uint32_t>(memory[{space, address + i}]));
    return {};
}

LinkResult TestBoard::WriteSpace(std::int32_t address, std::span<const std::uint32_t> words, std::int32_t space)
{
    calls.push_back({"WriteSpace", address, space, BoardValues::I4Array(words)});
    const LinkResult outcome = FailOrSucceed();
    if (!outcome.ok())
        return outcome;
    for (std::size_t i = 0; i < words.size(); ++i)
        memory[{space, address + static_cast<std::int32_t>(i)}] = static_cast<std::int32_t>(words[i]);
    return outcome;
}

LinkResult TestBoard::ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values)
{
    calls.push_back({"ReadFlashBlock", address, count, Variant()});
    if (readResult || readFailure)
        return ReadInstead(values);
    for (std::int32_t i = 0; i < count; ++i) {
        auto found = flash.find(address + i);
        values.push_back(found == flash.end() ? 0xFF : found->second);
    }
    return {};
}

LinkResult TestBoard::WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values)
{
    SafeArray bytes = SafeArray::Vector(VT_UI1, values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        bytes.set(i, Variant::UI1(static_cast<std::uint8_t>(values[i])));
    calls.push_back({"WriteFlashBlock", address, 0, Variant::Array(std::move(bytes))});
    const LinkResult outcome = FailOrSucceed();
    if (!outcome.ok())
        return outcome;
    for (std::size_t i = 0; i < values.size(); ++i)
        flash[address + static_cast<std::int32_t>(i)] = static_cast<std::uint8_t>(values[i]);
    return outcome;
}

namespace {

Variant PropertyOf(Dispatchable& object, const char* name)
{
    std::int32_t dispid = 0;
    EXPECT_EQ(object.GetIDsOfNames(name, dispid), S_OK) << name;
    InvokeResult got = object.Invoke(dispid, InvokeKind::PropertyGet, {});
    EXPECT_EQ(got.hr, S_OK) << name;
    return got.result;
}

}  // namespace

std::int32_t TestBoard::ErrorCodeProperty()
{
    Variant value = PropertyOf(*this, "ErrorCode");
    EXPECT_EQ(value.vt(), VT_I4);
    return value.i4();
}

std::string TestBoard::ErrorStringProperty()
{
    Variant value = PropertyOf(*this, "ErrorString");
    EXPECT_EQ(value.vt(), VT_BSTR);
    return value.bstr();
}

void TestBoard::SetErrorMethodProperty(std::int32_t method)
{
    std::int32_t dispid = 0;
    ASSERT_EQ(GetIDsOfNames("ErrorMethod", dispid), S_OK);
    ASSERT_EQ(Invoke(dispid, InvokeKind::PropertyPut, {Variant::I4(method)}).hr, S_OK);
}
