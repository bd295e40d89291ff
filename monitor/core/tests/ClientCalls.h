#pragma once

#include "automation/core/Dispatchable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A script's calls on an automation object, for the tests of the server's classes.

// The dispatch identifier of `name` on `object`, as a client looks it up; a name the
// object does not know fails the test.
inline std::int32_t IdOf(const Dispatchable& object, const std::string& name)
{
    std::int32_t id = -1;
    EXPECT_EQ(object.GetIDsOfNames(name, id), S_OK) << name;
    return id;
}

// Calls the method `dispid` of `object` as a client does and gives its result; a call
// that does not succeed fails the test.
inline Variant InvokeMethod(Dispatchable& object, std::int32_t dispid, std::vector<Variant> args)
{
    InvokeResult got = object.Invoke(dispid, InvokeKind::Method, std::move(args));
    EXPECT_EQ(got.hr, S_OK) << std::hex << dispid;
    return got.result;
}
