#include "simulators/fourwire/FourWireSimOptions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(FourWireSimOptionsTest, DefaultsAreLpt1AndVersion0102)
{
    std::string error;
    const auto options = FourWireSimOptions::Parse({}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->port, "lpt1");
    EXPECT_EQ(options->version, 0x0102);
    EXPECT_TRUE(options->socketPath.empty());
    EXPECT_TRUE(options->faults.empty());
    EXPECT_EQ(options->answerDelayMs, 0u);
    EXPECT_EQ(options->holdDrop.ms, 0u);
    EXPECT_FALSE(options->help);
}

TEST(FourWireSimOptionsTest, EveryOptionIsTaken)
{
    std::string error;
    const auto options = FourWireSimOptions::Parse(
        {"--port", "LPT2", "--socket", "/tmp/s.sock", "--target-version", "0xFFFE", "--fault", "stall*2+3",
         "--fault", "status*0", "--answer-delay", "0x20", "--hold-drop", "clock:40", "--help"},
        error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->port, "LPT2");
    EXPECT_EQ(options->socketPath, "/tmp/s.sock");
    EXPECT_EQ(options->version, 0xFFFE);
    ASSERT_EQ(options->faults.size(), 2u);
    EXPECT_EQ(options->faults[0].kind, FourWireFaultKind::StallMidByte);
    EXPECT_EQ(options->faults[0].times, 2u);
    EXPECT_EQ(options->faults[0].skipBytes, 3u);
    EXPECT_EQ(options->faults[1].kind, FourWireFaultKind::WrongStatus);
    EXPECT_EQ(options->faults[1].times, 0u);
    EXPECT_EQ(options->answerDelayMs, 32u);
    EXPECT_EQ(options->holdDrop.line, FourWireTarget::Line::Clock);
    EXPECT_EQ(options->holdDrop.ms, 40u);
    EXPECT_TRUE(options->help);
}

TEST(FourWireSimOptionsTest, TheOldSpellingVersionNSetsTheTargetsVersion)
{
    std::string error;
    const auto options = FourWireSimOptions::Parse({"--version", "0x0304"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->version, 0x0304);
    EXPECT_NE(std::string(FourWireSimOptions::Usage()).find("the old spelling --version N still works"), std::string::npos);
}

TEST(FourWireSimOptionsTest, FaultNames)
{
    EXPECT_EQ(FourWireSimOptions::ParseFault("checksum")->kind, FourWireFaultKind::BadCheckSum);
    EXPECT_EQ(FourWireSimOptions::ParseFault("dead")->kind, FourWireFaultKind::NeverPowerUp);
    EXPECT_EQ(FourWireSimOptions::ParseFault("clock-first")->kind, FourWireFaultKind::DropInput1Early);
    EXPECT_EQ(FourWireSimOptions::ParseFault("checksum")->times, 1u);
    EXPECT_FALSE(FourWireSimOptions::ParseFault("status+2"));  // only a stall skips bytes
    EXPECT_FALSE(FourWireSimOptions::ParseFault("stall*"));
    EXPECT_FALSE(FourWireSimOptions::ParseFault("slow"));
}

TEST(FourWireSimOptionsTest, MistakesAreNamed)
{
    std::string error;
    EXPECT_FALSE(FourWireSimOptions::Parse({"--target-version", "0x10000"}, error));
    EXPECT_EQ(error, "not a 16-bit version: 0x10000");
    EXPECT_FALSE(FourWireSimOptions::Parse({"--fault"}, error));
    EXPECT_EQ(error, "--fault needs a value");
    EXPECT_FALSE(FourWireSimOptions::Parse({"--port", "../x"}, error));
    EXPECT_EQ(error, "not a port name: ../x");
    EXPECT_FALSE(FourWireSimOptions::Parse({"--baud", "9600"}, error));
    EXPECT_EQ(error, "unknown option --baud");
    EXPECT_FALSE(FourWireSimOptions::Parse({"--answer-delay", "60001"}, error));
    EXPECT_EQ(error, "not a delay in milliseconds: 60001");
    EXPECT_FALSE(FourWireSimOptions::Parse({"--answer-delay", "-1"}, error));
    EXPECT_EQ(error, "not a delay in milliseconds: -1");
    for (const char* drop : {"data", "data:", "busy:10", "clock:x", ":5", "clock:60001"}) {
        EXPECT_FALSE(FourWireSimOptions::Parse({"--hold-drop", drop}, error)) << drop;
        EXPECT_EQ(error, std::string("not a hold drop: ") + drop);
    }
    EXPECT_EQ(FourWireSimOptions::ParseHoldDrop("data:7")->line, FourWireTarget::Line::Data);
}

TEST(FourWireSimOptionsTest, TheDefaultSocketLivesInTheRuntimeFolder)
{
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old != nullptr ? old : "";
    setenv("XDG_RUNTIME_DIR", "/run/user/1234", 1);
    EXPECT_EQ(FourWireSimOptions::DefaultSocketPath().rfind("/run/user/1234/fourwire-sim-", 0), 0u);
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(FourWireSimOptions::DefaultSocketPath().rfind("/tmp/fourwire-sim-", 0), 0u);
    if (old != nullptr)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}
