#pragma once

#include "upgrade/tests/FakeAutoBase.h"

// The fake server's second level, with as many members as the board
// server's device class. None of them may be called by pellori: each only
// records that it was.
class FakeDevice : public FakeAutoBase {
public:
    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    template <int Index>
    Variant Unexpected();
};
