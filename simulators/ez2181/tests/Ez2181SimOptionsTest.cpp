// The ez2181-sim program's command line: its own options through SimCommandLine.

#include "simulators/ez2181/Ez2181SimProgram.h"

#include <gtest/gtest.h>

namespace {

// A command line as the program takes it, with what its own options set.
struct Taken {
    Ez2181SimProgram program;
    std::optional<SimCommandLine> line;
    std::string error;

    std::vector<Ez2181Fault> Faults() const
    {
        std::vector<Ez2181Fault> faults;
        for (const auto& fault : Ez2181SimProgram::Faults().ReadAll(line->faults))
            faults.emplace_back(fault.kind, fault.request, fault.value);
        return faults;
    }
};

std::unique_ptr<Taken> Parse(const std::vector<std::string>& args)
{
    auto taken = std::make_unique<Taken>();
    taken->line = SimCommandLine::Parse(args, taken->program.Setup().rules, taken->error);
    return taken;
}

std::string ErrorOf(const std::vector<std::string>& args)
{
    const auto taken = Parse(args);
    EXPECT_FALSE(taken->line.has_value());
    return taken->error;
}

std::optional<Ez2181Fault> ParseFault(const std::string& text)
{
    std::string mistake;
    const auto fault = Ez2181SimProgram::Faults().Read(text, mistake);
    if (!fault)
        return std::nullopt;
    return Ez2181Fault(fault->kind, fault->request, fault->value);
}

}  // namespace

TEST(Ez2181SimOptions, DefaultsServeCom1Unpaced)
{
    const auto options = Parse({});
    ASSERT_TRUE(options->line);
    EXPECT_EQ(options->line->port, "com1");
    EXPECT_EQ(options->line->lineOptions.baud, 0u);
    EXPECT_FALSE(options->program.powerUp);
    EXPECT_EQ(options->program.powerUpEveryMs, 0u);
    EXPECT_TRUE(options->line->faults.empty());
    EXPECT_FALSE(options->line->help);
    EXPECT_FALSE(options->program.verbose);
    EXPECT_TRUE(Parse({"--verbose"})->program.verbose);
    EXPECT_TRUE(Parse({"-v"})->program.verbose);
    // The 2181 board has no late replies.
    EXPECT_EQ(ErrorOf({"--late-ms", "5"}), "unknown option \"--late-ms\"");
}

TEST(Ez2181SimOptions, PortByNameOrOption)
{
    EXPECT_EQ(Parse({"com3"})->line->port, "com3");
    EXPECT_EQ(Parse({"--port", "COM2", "--baud", "38400"})->line->port, "COM2");
    EXPECT_EQ(ErrorOf({"--port", "com2", "com3"}), "unexpected \"com3\"");
    EXPECT_EQ(ErrorOf({"com2", "com3"}), "unexpected \"com3\"");
    EXPECT_EQ(ErrorOf({"../evil"}), "the port name \"../evil\" is not a plain name such as com1");
}

TEST(Ez2181SimOptions, BaudAndPowerUp)
{
    const auto options = Parse({"--baud", "38400", "--power-up-every", "500"});
    ASSERT_TRUE(options->line);
    EXPECT_EQ(options->line->lineOptions.baud, 38400u);
    EXPECT_EQ(options->program.powerUpEveryMs, 500u);
    EXPECT_TRUE(options->program.powerUp);
    EXPECT_TRUE(Parse({"--power-up"})->program.powerUp);
    EXPECT_TRUE(Parse({"--baud", "9600", "--strict-rate"})->program.strictRate);
    EXPECT_FALSE(Parse({"--baud", "9600"})->program.strictRate);
    EXPECT_EQ(ErrorOf({"--power-up-every", "0"}), "--power-up-every needs a number above 0, not \"0\"");
    EXPECT_EQ(ErrorOf({"--power-up-every"}), "--power-up-every needs a value");
    EXPECT_EQ(ErrorOf({"--strict-rate"}), "--strict-rate needs --baud");
    EXPECT_EQ(ErrorOf({"--baud", "fast"}), "--baud needs a number above 0, not \"fast\"");
    EXPECT_EQ(ErrorOf({"--baud", "0"}), "--baud needs a number above 0, not \"0\"");
    EXPECT_EQ(ErrorOf({"--baud"}), "--baud needs a value");
    EXPECT_EQ(ErrorOf({"--louder"}), "unknown option \"--louder\"");
}

TEST(Ez2181SimOptions, FaultsWithFrameAndValue)
{
    const auto options = Parse({"--fault", "status@3=0x07", "--fault", "check", "--fault", "silence@10"});
    ASSERT_TRUE(options->line);
    const std::vector<Ez2181Fault> faults = options->Faults();
    ASSERT_EQ(faults.size(), 3u);
    EXPECT_EQ(faults[0], Ez2181Fault(Ez2181FaultKind::WrongStatus, 3, 0x07));
    EXPECT_EQ(faults[1], Ez2181Fault(Ez2181FaultKind::WrongCheckByte, 1));
    EXPECT_EQ(faults[2], Ez2181Fault(Ez2181FaultKind::Silence, 10));
}

TEST(Ez2181SimOptions, EveryFaultKindHasAName)
{
    EXPECT_EQ(ParseFault("sync"), Ez2181Fault(Ez2181FaultKind::WrongSync));
    EXPECT_EQ(ParseFault("address=1"), Ez2181Fault(Ez2181FaultKind::WrongAddress, 1, 1));
    EXPECT_EQ(ParseFault("length=15"), Ez2181Fault(Ez2181FaultKind::WrongLength, 1, 15));
    EXPECT_EQ(ParseFault("drop@2=3"), Ez2181Fault(Ez2181FaultKind::DroppedByte, 2, 3));
}

TEST(Ez2181SimOptions, BadFaultsAreRefused)
{
    EXPECT_FALSE(ParseFault("smoke"));
    EXPECT_FALSE(ParseFault("status=256"));
    EXPECT_FALSE(ParseFault("status@0"));
    EXPECT_FALSE(ParseFault("status@"));
    EXPECT_FALSE(ParseFault("status@x"));
    EXPECT_FALSE(ParseFault("check=1"));
    EXPECT_FALSE(ParseFault("silence=1"));
    EXPECT_EQ(ErrorOf({"--fault", "smoke"}), "unknown fault \"smoke\"");
}

TEST(Ez2181SimOptions, HelpIsAskedFor)
{
    EXPECT_TRUE(Parse({"--help"})->line->help);
    EXPECT_NE(std::string(Ez2181SimProgram::Usage()).find("--fault KIND[@N][=V]"), std::string::npos);
}
