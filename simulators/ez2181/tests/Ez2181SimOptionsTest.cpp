#include "simulators/ez2181/Ez2181SimOptions.h"

#include <gtest/gtest.h>

namespace {

std::optional<Ez2181SimOptions> Parse(const std::vector<std::string>& args)
{
    std::string error;
    return Ez2181SimOptions::Parse(args, error);
}

std::string ErrorOf(const std::vector<std::string>& args)
{
    std::string error;
    EXPECT_FALSE(Ez2181SimOptions::Parse(args, error).has_value());
    return error;
}

}  // namespace

TEST(Ez2181SimOptions, DefaultsServeCom1Unpaced)
{
    const auto options = Parse({});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->port, "com1");
    EXPECT_EQ(options->line.baud, 0u);
    EXPECT_FALSE(options->powerUp);
    EXPECT_EQ(options->powerUpEveryMs, 0u);
    EXPECT_TRUE(options->faults.empty());
    EXPECT_FALSE(options->help);
    EXPECT_FALSE(options->verbose);
    EXPECT_TRUE(Parse({"--verbose"})->verbose);
}

TEST(Ez2181SimOptions, PortByNameOrOption)
{
    EXPECT_EQ(Parse({"com3"})->port, "com3");
    EXPECT_EQ(Parse({"--port", "COM2", "--baud", "38400"})->port, "COM2");
    EXPECT_EQ(ErrorOf({"com2", "com3"}), "unexpected \"com3\"");
    EXPECT_EQ(ErrorOf({"../evil"}), "the port name \"../evil\" is not a plain name such as com1");
}

TEST(Ez2181SimOptions, BaudAndPowerUp)
{
    const auto options = Parse({"--baud", "38400", "--power-up-every", "500"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->line.baud, 38400u);
    EXPECT_EQ(options->powerUpEveryMs, 500u);
    EXPECT_TRUE(options->powerUp);
    EXPECT_TRUE(Parse({"--power-up"})->powerUp);
    EXPECT_TRUE(Parse({"--baud", "9600", "--strict-rate"})->strictRate);
    EXPECT_FALSE(Parse({"--baud", "9600"})->strictRate);
    EXPECT_EQ(ErrorOf({"--strict-rate"}), "--strict-rate needs --baud");
    EXPECT_EQ(ErrorOf({"--baud", "fast"}), "--baud needs a number above 0, not \"fast\"");
    EXPECT_EQ(ErrorOf({"--baud", "0"}), "--baud needs a number above 0, not \"0\"");
    EXPECT_EQ(ErrorOf({"--baud"}), "--baud needs a value");
    EXPECT_EQ(ErrorOf({"--louder"}), "unknown option \"--louder\"");
}

TEST(Ez2181SimOptions, FaultsWithFrameAndValue)
{
    const auto options = Parse({"--fault", "status@3=0x07", "--fault", "check", "--fault", "silence@10"});
    ASSERT_TRUE(options);
    ASSERT_EQ(options->faults.size(), 3u);
    EXPECT_EQ(options->faults[0], Ez2181Fault(Ez2181FaultKind::WrongStatus, 3, 0x07));
    EXPECT_EQ(options->faults[1], Ez2181Fault(Ez2181FaultKind::WrongCheckByte, 1));
    EXPECT_EQ(options->faults[2], Ez2181Fault(Ez2181FaultKind::Silence, 10));
}

TEST(Ez2181SimOptions, EveryFaultKindHasAName)
{
    EXPECT_EQ(Ez2181SimOptions::ParseFault("sync"), Ez2181Fault(Ez2181FaultKind::WrongSync));
    EXPECT_EQ(Ez2181SimOptions::ParseFault("address=1"), Ez2181Fault(Ez2181FaultKind::WrongAddress, 1, 1));
    EXPECT_EQ(Ez2181SimOptions::ParseFault("length=15"), Ez2181Fault(Ez2181FaultKind::WrongLength, 1, 15));
    EXPECT_EQ(Ez2181SimOptions::ParseFault("drop@2=3"), Ez2181Fault(Ez2181FaultKind::DroppedByte, 2, 3));
}

TEST(Ez2181SimOptions, BadFaultsAreRefused)
{
    EXPECT_FALSE(Ez2181SimOptions::ParseFault("smoke"));
    EXPECT_FALSE(Ez2181SimOptions::ParseFault("status=256"));
    EXPECT_FALSE(Ez2181SimOptions::ParseFault("status@0"));
    EXPECT_FALSE(Ez2181SimOptions::ParseFault("status@"));
    EXPECT_FALSE(Ez2181SimOptions::ParseFault("status@x"));
    EXPECT_FALSE(Ez2181SimOptions::ParseFault("check=1"));
    EXPECT_FALSE(Ez2181SimOptions::ParseFault("silence=1"));
    EXPECT_EQ(ErrorOf({"--fault", "smoke"}), "unknown fault \"smoke\"");
}

TEST(Ez2181SimOptions, HelpIsAskedFor)
{
    EXPECT_TRUE(Parse({"--help"})->help);
    EXPECT_NE(std::string(Ez2181SimOptions::Usage()).find("--fault KIND[@N][=V]"), std::string::npos);
}
