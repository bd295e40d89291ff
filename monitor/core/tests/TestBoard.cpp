#include "monitor/core/tests/TestBoard.h"

#include "automation/core/VariantConversion.h"

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

Variant TestBoard::FailOrSucceed()
{
    Variant result = Variant::I4(0);
    if (failWriteNumber && *failWriteNumber == writes_)
        SetError(result, kBoardErrorCode, kBoardErrorText);
    ++writes_;
    return result;
}

Variant TestBoard::ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space)
{
    calls.push_back({"ReadSpace", address, space, Variant::I4(count)});
    if (readResult)
        return *readResult;
    SafeArray words = SafeArray::Vector(VT_I4, static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
        words.set(static_cast<std::size_t>(i), Variant::I4(memory[{space, address + i}]));
    return Variant::Array(std::move(words));
}

Variant TestBoard::WriteSpace(std::int32_t address, Variant& data, std::int32_t space)
{
    calls.push_back({"WriteSpace", address, space, data});
    Variant result = FailOrSucceed();
    if (result.IsErrorResult())
        return result;
    std::optional<std::vector<Variant>> words = ConvertToElements(data, VT_I4);
    EXPECT_TRUE(words.has_value()) << data;
    if (words) {
        for (std::size_t i = 0; i < words->size(); ++i)
            memory[{space, address + static_cast<std::int32_t>(i)}] = (*words)[i].i4();
    }
    return result;
}

Variant TestBoard::ReadFlashBlock(std::int32_t address, std::int32_t count)
{
    calls.push_back({"ReadFlashBlock", address, count, Variant()});
    if (readResult)
        return *readResult;
    SafeArray bytes = SafeArray::Vector(VT_I4, static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        auto found = flash.find(address + i);
        bytes.set(static_cast<std::size_t>(i), Variant::I4(found == flash.end() ? 0xFF : found->second));
    }
    return Variant::Array(std::move(bytes));
}

Variant TestBoard::WriteFlashBlock(std::int32_t address, Variant& data)
{
    calls.push_back({"WriteFlashBlock", address, 0, data});
    Variant result = FailOrSucceed();
    if (result.IsErrorResult())
        return result;
    std::optional<std::vector<Variant>> bytes = ConvertToElements(data, VT_UI1);
    EXPECT_TRUE(bytes.has_value()) << data;
    if (bytes) {
        for (std::size_t i = 0; i < bytes->size(); ++i)
            flash[address + static_cast<std::int32_t>(i)] = (*bytes)[i].ui1();
    }
    return result;
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
