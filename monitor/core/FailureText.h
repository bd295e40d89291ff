#pragma once

#include "monitor/core/LinkResult.h"

// One row of a board's failure table: the text and code a kind of failure is
// recorded with. Each board keeps one such table as data; AutoBase::Fail looks
// a failure up in it, and a kind the table does not list is recorded as
// "General Error" with the failure's code, never passed as success.
struct FailureText {
    enum Code { Zero,
                FromFailure };

    LinkResult::Kind kind;
    // nullptr: the line's own text (AutoBase::LineFailureText).
    const char* text;
    Code code = Zero;
};
