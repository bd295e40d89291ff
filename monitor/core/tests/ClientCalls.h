#pragma once

#include "automation/core/Dispatchable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

// Calls the method `dispid` of `object` as a client does and gives its result; a call
// that does not succeed fails the test.
inline Variant InvokeMethod(Dispatchable& object, std::int32_t dispid, std::vector<Variant> args)
{
    InvokeResult got = object.Invoke(dispid, InvokeKind::Method, std::move(args));
    EXPECT_EQ(got.hr, S_OK) << std::hex << dispid;
    return got.result;
}
