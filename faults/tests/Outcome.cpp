#include "faults/tests/Outcome.h"

#include <gtest/gtest.h>

bool Succeeded(const Variant& result)
{
    return result.vt() != VT_NULL && result.vt() != VT_ERROR && result.vt() != VT_EMPTY;
}

void ExpectOutcome(const Variant& result, const Outcome& expected, std::int32_t errorCode,
                   const std::string& errorString)
{
    if (expected.ok) {
        EXPECT_TRUE(Succeeded(result)) << "expected success, got " << result << " \"" << errorString << "\"";
        return;
    }
    EXPECT_EQ(result.vt(), VT_NULL) << result;
    EXPECT_EQ(errorCode, expected.code);
    EXPECT_EQ(errorString, expected.text);
}
