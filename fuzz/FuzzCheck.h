#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the fuzz target with a message when a property of the code under test
// does not hold, so that libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                       \
    do {                                                                                            \
        if (!(condition)) {                                                                         \
            std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                           \
        }                                                                                           \
    } while (false)
