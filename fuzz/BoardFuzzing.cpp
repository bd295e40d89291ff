#include "fuzz/BoardFuzzing.h"

#include "automation/core/SafeArray.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "monitor/core/AutoBase.h"

namespace BoardFuzzing {

Variant WordArray(FuzzInput& in, std::size_t count, std::uint32_t mask)
{
    SafeArray array = SafeArray::Vector(VT_I4, count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t value = mask == 0xFF ? in.Byte() : in.Word32() & mask;
        array.set(i, Variant::I4(static_cast<std::int32_t>(value)));
    }
    return Variant::Array(std::move(array));
}

void CheckOutcome(const Variant& result, const AutoBase& board)
{
    if (result.vt() == VT_NULL)
        FUZZ_CHECK(!board.GetErrorString().empty());
}

void CheckRead(const Variant& result, std::size_t count, const AutoBase& board)
{
    CheckOutcome(result, board);
    if (result.vt() != VT_NULL) {
        FUZZ_CHECK(result.IsArray());
        FUZZ_CHECK(result.array().size() == count);
    }
}

void CheckRange(const Variant& value, std::int32_t low, std::int32_t high)
{
    FUZZ_CHECK(value.vt() == VT_I4);
    FUZZ_CHECK(value.i4() >= low && value.i4() <= high);
}

}  // namespace BoardFuzzing
