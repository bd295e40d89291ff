#pragma once

#include "automation/core/ApplicationLock.h"
#include "upgrade/tests/FakeAd21xx.h"

#include <cstdint>

// A stand-in for the board server's "Varnix.Ez2181" object whose four levels
// of dispatch maps have the board server's shape, so that calls by identifier
// reach the members of the same names. It records every call and fails or
// hangs on request (FakeBoardControl).
class FakeEz2181 : public FakeAd21xx {
public:
    static constexpr const char* kProgId = "Varnix.Ez2181";
    static constexpr const char* kClassId = "{0E2B7C55-91A4-4F1E-8D3B-7A6C5E4F3A21}";

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    Variant Reset();
    Variant Run();
    Variant SetBaud(std::int32_t rate);
    Variant PowerOn();

private:
    ApplicationLock::Holder lock_;
};
