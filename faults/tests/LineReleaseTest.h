#pragma once

#include "monitor/core/tests/SRecordFiles.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

// Objects on real pseudo-terminals linked into the port map: after a fault the port
// is free again once the object is gone (an exclusive open proves it), and a line that
// vanishes in the middle of a transfer gives the documented error, is let go at once,
// and the same object works on the new line that takes its place. The serial boards'
// cases are beside their fault matrices, the others in LineReleaseTest.cpp.
class LineReleaseTest : public ::testing::Test {
public:
    // True when the device can be opened exclusively: nobody holds it.
    static bool PortFree(const std::string& path);
    // Descriptors of this process that refer to the device (its node may be gone). A
    // PtyPair holds one of its own, so tests compare with the count before the object.
    static int DescriptorsOn(const std::string& path);
    // Polls `condition` until it holds or a generous limit runs out.
    static bool WaitFor(const std::function<bool()>& condition);

protected:
    ScopedConfigHome home;
    TempFolder folder;
};
