#include "simulators/ptyline/SimCommandLine.h"

#include <gtest/gtest.h>

namespace {

std::optional<SimCommandLine> Parse(const std::vector<std::string>& args, std::string& error,
                                    std::vector<std::string>* own = nullptr)
{
    SimCommandLine::Rules rules;
    if (own != nullptr)
        rules.own.push_back({{"--extra"}, true, [own](const std::string& value, SimCommandLine&, std::string&) {
                                 own->push_back(value);
                                 return true;
                             }});
    return SimCommandLine::Parse(args, rules, error);
}

TEST(SimCommandLineTest, Defaults)
{
    std::string error;
    const auto line = Parse({}, error);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->port, "com1");
    EXPECT_EQ(line->lateDelay, std::chrono::milliseconds(1500));
    EXPECT_TRUE(line->faults.empty());
    EXPECT_FALSE(line->help);
    EXPECT_FALSE(line->background);
}

TEST(SimCommandLineTest, CommonAndOwnOptions)
{
    std::string error;
    std::vector<std::string> own;
    const auto line = Parse({"--port", "com2", "--late-ms", "0x20", "--fault", "late@2", "--extra", "v",
                             "--fault", "silence=4", "--help"},
                            error, &own);
    ASSERT_TRUE(line) << error;
    EXPECT_EQ(line->port, "com2");
    EXPECT_EQ(line->lateDelay, std::chrono::milliseconds(32));
    ASSERT_EQ(line->faults.size(), 2u);
    EXPECT_EQ(line->faults[0].kind, "late");
    EXPECT_EQ(line->faults[0].request, 2u);
    EXPECT_EQ(line->faults[1].value, 4u);
    EXPECT_TRUE(line->help);
    EXPECT_EQ(own, std::vector<std::string>{"v"});
}

TEST(SimCommandLineTest, ErrorsNameTheOption)
{
    std::string error;
    EXPECT_FALSE(Parse({"--port"}, error));
    EXPECT_EQ(error, "--port needs a value");
    EXPECT_FALSE(Parse({"--late-ms", "soon"}, error));
    EXPECT_EQ(error, "--late-ms takes milliseconds up to 600000");
    EXPECT_FALSE(Parse({"--fault", "=3"}, error));
    EXPECT_EQ(error, "bad fault =3");
    EXPECT_FALSE(Parse({"--other", "1"}, error));
    EXPECT_EQ(error, "unknown option --other");
    EXPECT_FALSE(Parse({"stray"}, error));
    EXPECT_EQ(error, "unknown option stray");
    // An unknown option at the end is unknown, not an option short of its value.
    EXPECT_FALSE(Parse({"--bogus"}, error));
    EXPECT_EQ(error, "unknown option --bogus");
    EXPECT_FALSE(Parse({"--port", "com2", "--backgroundd"}, error));
    EXPECT_EQ(error, "unknown option --backgroundd");
}

TEST(SimCommandLineTest, BackgroundTakesNoValue)
{
    std::string error;
    const auto line = Parse({"--background", "--port", "com3"}, error);
    ASSERT_TRUE(line) << error;
    EXPECT_TRUE(line->background);
    EXPECT_EQ(line->port, "com3");
}

TEST(SimCommandLineTest, LineRateAndAdapter)
{
    struct Case {
        std::vector<std::string> args;
        std::uint32_t baud;
        std::optional<std::chrono::milliseconds> latency;  // nullopt: no adapter
        std::size_t chunk;
        const char* description;
    };
    using std::chrono::milliseconds;
    const Case cases[] = {
        {{}, 0, std::nullopt, 0, ""},
        {{"--baud", "115200"}, 115200, std::nullopt, 0, ", paced at 115200 baud"},
        {{"--adapter", "ftdi"}, 0, milliseconds(16), 62, ", behind a USB adapter of 16 ms latency and 62-byte chunks"},
        {{"--latency", "1", "--adapter", "cp210x"}, 0, milliseconds(1), 64, ", behind a USB adapter of 1 ms latency and 64-byte chunks"},
        {{"--adapter", "cp210x", "--latency", "1"}, 0, milliseconds(1), 64, ", behind a USB adapter of 1 ms latency and 64-byte chunks"},
        {{"--baud", "38400", "--latency", "4"}, 38400, milliseconds(4), 62, ", paced at 38400 baud, behind a USB adapter of 4 ms latency and 62-byte chunks"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto line = Parse(c.args, error);
        ASSERT_TRUE(line) << error;
        const SimLineOptions& options = line->lineOptions;
        EXPECT_EQ(options.baud, c.baud);
        ASSERT_EQ(options.adapter.has_value(), c.latency.has_value()) << c.description;
        if (c.latency) {
            EXPECT_EQ(options.adapter->latency, *c.latency) << c.description;
            EXPECT_EQ(options.adapter->chunkBytes, c.chunk) << c.description;
        }
        EXPECT_EQ(options.Description(), c.description);
    }
}

TEST(SimCommandLineTest, LineOptionErrors)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--baud"}, "--baud needs a value"},
        {{"--baud", "0"}, "--baud needs a number above 0, not \"0\""},
        {{"--adapter", "ch340"}, "unknown adapter \"ch340\" (ftdi, ftdi-low-latency or cp210x)"},
        {{"--latency", "256"}, "--latency takes milliseconds from 0 to 255, not \"256\""},
        {{"--latency"}, "--latency needs a value"},
    };
    for (const auto& [args, text] : cases) {
        std::string error;
        EXPECT_FALSE(Parse(args, error));
        EXPECT_EQ(error, text);
    }
}

TEST(SimCommandLineTest, AProgramsRulesShapeItsCommandLine)
{
    bool quiet = false;
    std::uint32_t lockout = 0;
    std::uint32_t pair[2] = {0, 0};
    std::vector<std::string> others;
    SimCommandLine::Rules rules{.defaultPort = "lpt1", .lateDelay = false, .lineOptions = false};
    rules.own = {{{"--quiet", "-q"}, false, [&quiet](const std::string&, SimCommandLine&, std::string&) { return quiet = true; }},
                 SimCommandLine::NumberOption("--lockout", 3, "--lockout takes 0 to 3", lockout),
                 SimCommandLine::NumberPairOption("--values", 0xFFFF, "--values takes two numbers", pair),
                 // An own --port is read before the common one.
                 {{"--port"}, true, [](const std::string& value, SimCommandLine& line, std::string&) {
                      line.port = "own:" + value;
                      return true;
                  }}};
    rules.other = [&others](const std::string& argument, SimCommandLine&, std::string& error) {
        others.push_back(argument);
        error = "not taken: " + argument;
        return argument[0] != '-';
    };
    rules.faultMistake = [](const std::string& fault) { return fault == "ok" ? "" : "no " + fault; };
    rules.check = [](const SimCommandLine& line, std::string& error) {
        error = line.faults.size() > 1 ? "one fault at the most" : "";
        return error.empty();
    };

    std::string error;
    const auto line = SimCommandLine::Parse(
        {"-q", "--lockout", "2", "--values", "1,0x10", "--port", "x", "word", "--fault", "ok"}, rules, error);
    ASSERT_TRUE(line) << error;
    EXPECT_TRUE(quiet);
    EXPECT_EQ(lockout, 2u);
    EXPECT_EQ(pair[0], 1u);
    EXPECT_EQ(pair[1], 16u);
    EXPECT_EQ(line->port, "own:x");
    EXPECT_EQ(others, std::vector<std::string>{"word"});
    EXPECT_EQ(SimCommandLine::Parse({}, rules, error)->port, "lpt1");

    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{"--lockout", "4"}, "--lockout takes 0 to 3"},
        {{"--lockout"}, "--lockout needs a value"},
        {{"--values", "1"}, "--values takes two numbers"},
        {{"--values", "1,65536"}, "--values takes two numbers"},
        {{"--late-ms", "5"}, "not taken: --late-ms"},
        {{"--baud", "9600"}, "not taken: --baud"},
        {{"--fault", "loud"}, "no loud"},
        {{"--fault", "ok", "--fault", "ok"}, "one fault at the most"},
    };
    for (const auto& [args, text] : mistakes) {
        EXPECT_FALSE(SimCommandLine::Parse(args, rules, error)) << text;
        EXPECT_EQ(error, text);
    }
}

TEST(SimCommandLineTest, NumbersUpToTheirLimit)
{
    EXPECT_EQ(SimCommandLine::ParseNumber("65535", 0xFFFF), 65535u);
    EXPECT_EQ(SimCommandLine::ParseNumber("0xffff", 0xFFFF), 65535u);
    EXPECT_FALSE(SimCommandLine::ParseNumber("65536", 0xFFFF));
    EXPECT_FALSE(SimCommandLine::ParseNumber("-1", 0xFFFF));
    EXPECT_FALSE(SimCommandLine::ParseNumber("", 0xFFFF));
}

}  // namespace
