// The fourwire-sim program's command line: its own options through SimCommandLine.

#include "simulators/fourwire/FourWireSimProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// A command line as the program takes it, with what its own options set.
struct Taken {
    FourWireSimProgram program;
    std::optional<SimCommandLine> line;
};

std::unique_ptr<Taken> Parse(const std::vector<std::string>& args, std::string& error)
{
    auto taken = std::make_unique<Taken>();
    taken->line = SimCommandLine::Parse(args, taken->program.Setup().rules, error);
    return taken;
}

std::optional<FaultTable<FourWireFaultKind>::Fault> ParseFault(const std::string& text)
{
    std::string mistake;
    return FourWireSimProgram::Faults().Read(text, mistake);
}

}  // namespace

TEST(FourWireSimOptionsTest, DefaultsAreLpt1AndVersion0102)
{
    std::string error;
    const auto options = Parse({}, error);
    ASSERT_TRUE(options->line);
    EXPECT_EQ(options->line->port, "lpt1");
    EXPECT_EQ(options->program.version, 0x0102);
    EXPECT_TRUE(options->program.socketPath.empty());
    EXPECT_TRUE(options->line->faults.empty());
    EXPECT_EQ(options->program.answerDelayMs, 0u);
    EXPECT_EQ(options->program.holdDrop.ms, 0u);
    EXPECT_FALSE(options->line->help);
}

TEST(FourWireSimOptionsTest, EveryOptionIsTaken)
{
    std::string error;
    const auto options = Parse(
        {"--port", "LPT2", "--socket", "/tmp/s.sock", "--target-version", "0xFFFE", "--fault", "stall*2+3",
         "--fault", "status*0", "--answer-delay", "0x20", "--hold-drop", "clock:40", "--help"},
        error);
    ASSERT_TRUE(options->line) << error;
    EXPECT_EQ(options->line->port, "LPT2");
    EXPECT_EQ(options->program.socketPath, "/tmp/s.sock");
    EXPECT_EQ(options->program.version, 0xFFFE);
    const auto faults = FourWireSimProgram::Faults().ReadAll(options->line->faults);
    ASSERT_EQ(faults.size(), 2u);
    EXPECT_EQ(faults[0].kind, FourWireFaultKind::StallMidByte);
    EXPECT_EQ(faults[0].times, 2u);
    EXPECT_EQ(faults[0].skip, 3u);
    EXPECT_EQ(faults[1].kind, FourWireFaultKind::WrongStatus);
    EXPECT_EQ(faults[1].times, 0u);
    EXPECT_EQ(options->program.answerDelayMs, 32u);
    EXPECT_EQ(options->program.holdDrop.line, FourWireTarget::Line::Clock);
    EXPECT_EQ(options->program.holdDrop.ms, 40u);
    EXPECT_TRUE(options->line->help);
}

TEST(FourWireSimOptionsTest, TheOldSpellingVersionNSetsTheTargetsVersion)
{
    std::string error;
    const auto options = Parse({"--version", "0x0304"}, error);
    ASSERT_TRUE(options->line) << error;
    EXPECT_EQ(options->program.version, 0x0304);
    EXPECT_NE(std::string(FourWireSimProgram::Usage()).find("the old spelling --version N still works"), std::string::npos);
}

TEST(FourWireSimOptionsTest, FaultNames)
{
    EXPECT_EQ(ParseFault("checksum")->kind, FourWireFaultKind::BadCheckSum);
    EXPECT_EQ(ParseFault("dead")->kind, FourWireFaultKind::NeverPowerUp);
    EXPECT_EQ(ParseFault("clock-first")->kind, FourWireFaultKind::DropInput1Early);
    EXPECT_EQ(ParseFault("checksum")->times, 1u);
    EXPECT_FALSE(ParseFault("status+2"));  // only a stall skips bytes
    EXPECT_FALSE(ParseFault("stall*"));
    EXPECT_FALSE(ParseFault("slow"));
}

TEST(FourWireSimOptionsTest, MistakesAreNamed)
{
    std::string error;
    EXPECT_FALSE(Parse({"--target-version", "0x10000"}, error)->line);
    EXPECT_EQ(error, "not a 16-bit version: 0x10000");
    EXPECT_FALSE(Parse({"--fault"}, error)->line);
    EXPECT_EQ(error, "--fault needs a value");
    EXPECT_FALSE(Parse({"--port", "../x"}, error)->line);
    EXPECT_EQ(error, "not a port name: ../x");
    EXPECT_FALSE(Parse({"--baud", "9600"}, error)->line);
    EXPECT_EQ(error, "unknown option --baud");
    EXPECT_FALSE(Parse({"--late-ms", "9"}, error)->line);
    EXPECT_EQ(error, "unknown option --late-ms");
    EXPECT_FALSE(Parse({"--fault", "stall=3"}, error)->line);
    EXPECT_EQ(error, "not a fault: stall=3");
    EXPECT_FALSE(Parse({"--answer-delay", "60001"}, error)->line);
    EXPECT_EQ(error, "not a delay in milliseconds: 60001");
    EXPECT_FALSE(Parse({"--answer-delay", "-1"}, error)->line);
    EXPECT_EQ(error, "not a delay in milliseconds: -1");
    for (const char* drop : {"data", "data:", "busy:10", "clock:x", ":5", "clock:60001"}) {
        EXPECT_FALSE(Parse({"--hold-drop", drop}, error)->line) << drop;
        EXPECT_EQ(error, std::string("not a hold drop: ") + drop);
    }
    EXPECT_EQ(FourWireSimProgram::ParseHoldDrop("data:7")->line, FourWireTarget::Line::Data);
}

TEST(FourWireSimOptionsTest, TheDefaultSocketLivesInTheRuntimeFolder)
{
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old != nullptr ? old : "";
    setenv("XDG_RUNTIME_DIR", "/run/user/1234", 1);
    EXPECT_EQ(FourWireSimProgram::DefaultSocketPath().rfind("/run/user/1234/fourwire-sim-", 0), 0u);
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(FourWireSimProgram::DefaultSocketPath().rfind("/tmp/fourwire-sim-", 0), 0u);
    if (old != nullptr)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}
