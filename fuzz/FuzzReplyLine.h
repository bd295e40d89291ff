#pragma once

#include "platform/tests/FakeCommDevice.h"

// The line of a reply fuzz target: its queued input is everything the far end
// sends during one call, taken in order by the reads of every request. A purge
// keeps it, since those bytes stand for what arrives after each request;
// a read beyond them is a read time-out at once.
class FuzzReplyLine : public FakeCommDevice {
public:
    bool PurgeInput() override { return IsOpen(); }
};
