#pragma once

#include "upgrade/tests/FakeDevice.h"

#include <string>

// The fake server's family level: ProgFlash and VerifyFlash at positions 6
// and 7 as on the board server; the other seven members only record calls.
class FakeAd21xx : public FakeDevice {
public:
    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    Variant ProgFlash(const std::string& path);
    Variant VerifyFlash(const std::string& path);
    template <int Index>
    Variant Unexpected();
};
