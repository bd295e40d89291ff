#include "configurator/CommandLine.h"

#include "configurator/ConfigFile.h"
#include "configurator/ConfigStream.h"
#include "configurator/tests/SampleConfigs.h"
#include "platform/PortMap.h"
#include "platform/ProgramInfo.h"
#include "platform/PtyPair.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/dspq47/Q47Unit.h"
#include "simulators/ptyline/PtyLinePort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

class CommandLineTest : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& args)
    {
        out_.str("");
        err_.str("");
        return CommandLine::Run(args, out_, err_);
    }

    std::string PathOf(const std::string& name) const { return home_.path() + "/" + name; }

    static std::string Slurp(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    ScopedConfigHome home_;
    Q47Unit unit_;
    PtyLinePort runner_{unit_};
    std::ostringstream out_;
    std::ostringstream err_;
};

}  // namespace

TEST_F(CommandLineTest, SendPutsTheFileIntoTheUnit)
{
    ASSERT_TRUE(runner_.Start("com1"));
    const std::string path = PathOf("busy.Q47");
    ASSERT_TRUE(WriteConfigFile(BusyConfig(), path));
    EXPECT_EQ(Run({"--send", path}), 0);
    EXPECT_EQ(out_.str(), "Data Received by DSP-Q47 OK\n");
    EXPECT_EQ(err_.str(), "");
    const ConfigStream::Bytes expected = ConfigStream::Encode(BusyConfig());
    const Q47Unit::Fields stored = unit_.StoredFields();
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), expected.begin()));
}

TEST_F(CommandLineTest, ReceiveSavesTheUnitsConfiguration)
{
    ASSERT_TRUE(runner_.Start("com2"));
    const std::string sent = PathOf("busy.Q47");
    const std::string received = PathOf("back.Q47");
    ASSERT_TRUE(WriteConfigFile(BusyConfig(), sent));
    ASSERT_EQ(Run({"--port", "com2", "--send", sent}), 0);
    EXPECT_EQ(Run({"--port", "Com2", "--receive", received}), 0);
    EXPECT_EQ(out_.str(), "Data received from DSP-Q47 OK\n");
    EXPECT_EQ(Slurp(received), Slurp(sent));
}

TEST_F(CommandLineTest, DefaultsWritesTheDefaultFile)
{
    const std::string path = PathOf("defaults.Q47");
    const std::string reference = PathOf("reference.Q47");
    EXPECT_EQ(Run({"--defaults", path}), 0);
    ASSERT_TRUE(WriteConfigFile(UnitConfig{}, reference));
    EXPECT_EQ(Slurp(path), Slurp(reference));
}

TEST_F(CommandLineTest, FailedReceivePrintsTheMessageFailsAndWritesNoFile)
{
    unit_.SetFault({Q47FaultKind::BadChecksum, 0});
    ASSERT_TRUE(runner_.Start("com1"));
    const std::string path = PathOf("back.Q47");
    EXPECT_EQ(Run({"--receive", path}), 1);
    EXPECT_EQ(out_.str(), "");
    EXPECT_EQ(err_.str(), "Error in Data Received from DSP-Q47\n");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(CommandLineTest, FailedSendPrintsTheMessageAndFails)
{
    unit_.SetFault({Q47FaultKind::WrongAcknowledge, 0x15});
    ASSERT_TRUE(runner_.Start("com1"));
    const std::string path = PathOf("busy.Q47");
    ASSERT_TRUE(WriteConfigFile(BusyConfig(), path));
    EXPECT_EQ(Run({"--port", "1", "--send", path}), 1);
    EXPECT_EQ(err_.str(), "Error in Data sent to DSP-Q47\n");
}

TEST_F(CommandLineTest, APortThatDoesNotOpenIsReportedWithItsCause)
{
    ASSERT_TRUE(PortMap::Link("com1", PathOf("nothing-here")));
    EXPECT_EQ(Run({"--receive", PathOf("back.Q47")}), 1);
    EXPECT_EQ(err_.str(), "Error Opening Comm Port\ndspq47-cli: Com1 (" + PortMap::LinkPath("com1") + "): No such file or directory\n");

    // com2 has no link while the folder exists: nothing is opened, and the fix is named.
    const std::string config = PathOf("busy.Q47");
    ASSERT_TRUE(WriteConfigFile(BusyConfig(), config));
    EXPECT_EQ(Run({"--port", "com2", "--send", config}), 1);
    EXPECT_EQ(err_.str(), "Error Opening Comm Port\ndspq47-cli: " + PortMap::NotMappedText("com2") + "\n");
    EXPECT_NE(err_.str().find("ln -sfn /dev/ttyUSB0 " + PortMap::LinkPath("com2")), std::string::npos);
}

TEST_F(CommandLineTest, MissingFileIsNotSent)
{
    ASSERT_TRUE(runner_.Start("com1"));
    EXPECT_EQ(Run({"--send", PathOf("absent.Q47")}), 1);
    EXPECT_NE(err_.str().find("cannot read"), std::string::npos);
    EXPECT_EQ(unit_.ConfigurationsTaken() + unit_.ConfigurationsRefused(), 0u);
}

TEST_F(CommandLineTest, FileWithoutAConfigurationIsNotSent)
{
    const std::string empty = PathOf("empty.Q47");
    const std::string text = PathOf("hostname");
    const std::string picture = PathOf("picture.png");
    std::ofstream(empty, std::ios::binary).flush();
    std::filesystem::copy_file("/etc/hostname", text);
    std::ofstream(picture, std::ios::binary)
        << std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x02\0\0\0", 29);

    ASSERT_TRUE(runner_.Start("com1"));
    for (const std::string& path : {empty, text, picture}) {
        EXPECT_EQ(Run({"--send", path}), 1) << path;
        EXPECT_EQ(out_.str(), "") << path;
        EXPECT_EQ(err_.str(), "dspq47-cli: " + path + " holds no configuration\n");
    }
    EXPECT_EQ(unit_.ConfigurationsTaken() + unit_.ConfigurationsRefused(), 0u);
    EXPECT_EQ(unit_.StoredFields(), Q47Unit::FactoryFields());

    // Nothing at all reaches the line.
    PtyPair line;
    ASSERT_TRUE(line.ok());
    ASSERT_TRUE(PortMap::Link("com2", line.slavePath()));
    EXPECT_EQ(Run({"--port", "com2", "--send", text}), 1);
    EXPECT_TRUE(line.Receive(1, 300).empty());
}

// The mistake and one line pointing to --help, not the whole help.
TEST_F(CommandLineTest, WrongCommandLinesAreRefused)
{
    const struct {
        std::vector<std::string> args;
        std::string mistake;
    } cases[] = {
        {{}, "nothing to do: give --send FILE, --receive FILE or --defaults FILE"},
        {{"--send"}, "--send needs a value"},
        {{"--port", "com3", "--send", "x.Q47"}, "unknown port \"com3\""},
        {{"--send", "a.Q47", "--receive", "b.Q47"}, "give one of --send, --receive and --defaults"},
        {{"--bogus"}, "unknown option \"--bogus\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args), 2);
        EXPECT_EQ(err_.str(), "dspq47-cli: " + c.mistake + "\nTry 'dspq47-cli --help' for more information.\n");
        EXPECT_EQ(out_.str(), "");
    }
}

TEST_F(CommandLineTest, HelpAndVersionGoToStandardOutput)
{
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(out_.str(), ProgramInfo::VersionText("dspq47-cli"));
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_EQ(out_.str().rfind("usage: dspq47-cli [--port com1|com2] --send FILE\n", 0), 0u);
    EXPECT_NE(out_.str().find("ln -sfn /dev/ttyUSB0 ~/.config/dosdevices/com1"), std::string::npos);
    EXPECT_NE(out_.str().find("    com2: not in the port map"), std::string::npos);
    EXPECT_NE(out_.str().find("no configuration"), std::string::npos);
    EXPECT_EQ(err_.str(), "");
    EXPECT_NE(CommandLine::DialogHelp().find("(*.Q47)"), std::string::npos);
    // Only alone: with an action, it is a wrong command line.
    EXPECT_EQ(Run({"--help", "--send", "a.Q47"}), 2);
}
