#include "simulators/ptyline/PortClaim.h"

#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

std::string LinkTarget(const std::string& port)
{
    std::error_code error;
    return std::filesystem::read_symlink(PortMap::LinkPath(port), error).string();
}

// `kill "$sim"` and at once a new simulator on the same port: the ending one's link goes
// a moment after the new one looks.
TEST(PortClaimTest, ALinkToALiveLineThatGoesAMomentLaterIsTakenOver)
{
    ScopedConfigHome home;
    PtyPair ending;
    PtyPair starting;
    ASSERT_TRUE(PortMap::Link("com3", ending.slavePath()));
    std::thread end([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        PortMap::Unlink("com3");
    });
    PortClaim claim;
    std::string error;
    EXPECT_TRUE(claim.Claim("com3", starting.slavePath(), error)) << error;
    end.join();
    EXPECT_EQ(LinkTarget("com3"), starting.slavePath());
    claim.Release();
    EXPECT_EQ(LinkTarget("com3"), "");
}

TEST(PortClaimTest, ALinkToALiveLineThatStaysIsLeftAlone)
{
    ScopedConfigHome home;
    PtyPair someoneElses;
    PtyPair mine;
    ASSERT_TRUE(PortMap::Link("com3", someoneElses.slavePath()));
    PortClaim claim;
    std::string error;
    EXPECT_FALSE(claim.Claim("com3", mine.slavePath(), error));
    EXPECT_NE(error.find("com3 is already linked to " + someoneElses.slavePath()), std::string::npos) << error;
    claim.Release();
    EXPECT_EQ(LinkTarget("com3"), someoneElses.slavePath());
}

}  // namespace
