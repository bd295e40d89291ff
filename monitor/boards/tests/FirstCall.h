#pragma once

#include "monitor/core/AutoBase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A client's first call on a new board object, by name, and what it must give: the
// result (VT_NULL: a failure) and ErrorString. The boards' tests check their reads
// with counts no memory can hold this way; HostileClientTest makes the same calls
// through the server.
struct FirstCall {
    static constexpr std::int32_t kHuge = 2'000'000'000;

    const char* member;
    std::vector<Variant> args;
    Variant result;
    const char* text;

    // Makes each call on a new object from `make` and checks what it gives.
    static void ExpectEach(const std::function<std::unique_ptr<AutoBase>()>& make, const std::vector<FirstCall>& calls)
    {
        for (const FirstCall& call : calls) {
            const std::unique_ptr<AutoBase> board = make();
            std::int32_t dispid = -1;
            ASSERT_EQ(board->GetIDsOfNames(call.member, dispid), S_OK) << call.member;
            EXPECT_EQ(board->Invoke(dispid, InvokeKind::Method, call.args).result, call.result) << call.member;
            EXPECT_EQ(board->GetErrorString(), call.text) << call.member;
        }
    }
};
