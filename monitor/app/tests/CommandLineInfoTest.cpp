#include "monitor/app/CommandLineInfo.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

CommandLineInfo Parse(std::initializer_list<const char*> arguments)
{
    QStringList list;
    for (const char* argument : arguments) list.append(QString::fromUtf8(argument));
    return CommandLineInfo::Parse(list);
}

TEST(CommandLineInfoTest, NoArgumentsIsAStartByHandWithANewDocument)
{
    const CommandLineInfo info = Parse({});
    EXPECT_FALSE(info.embedding);
    EXPECT_FALSE(info.automation);
    EXPECT_FALSE(info.unregister);
    EXPECT_FALSE(info.RunForClient());
    EXPECT_TRUE(info.fileName.isEmpty());
}

TEST(CommandLineInfoTest, SwitchesBehindSlashOrDashInAnyCase)
{
    EXPECT_TRUE(Parse({"-Embedding"}).embedding);
    EXPECT_TRUE(Parse({"/embedding"}).embedding);
    EXPECT_TRUE(Parse({"-EMBEDDING"}).RunForClient());
    EXPECT_TRUE(Parse({"/Automation"}).automation);
    EXPECT_TRUE(Parse({"-aUtOmAtIoN"}).RunForClient());
    EXPECT_TRUE(Parse({"-Unregister"}).unregister);
    EXPECT_TRUE(Parse({"/UNREGSERVER"}).unregister);
    EXPECT_TRUE(Parse({"-unregserver"}).unregister);
    EXPECT_FALSE(Parse({"-Unregserver"}).RunForClient());
}

TEST(CommandLineInfoTest, SwitchesCombine)
{
    const CommandLineInfo info = Parse({"-Unregserver", "/Embedding"});
    EXPECT_TRUE(info.unregister);
    EXPECT_TRUE(info.embedding);
    EXPECT_TRUE(info.fileName.isEmpty());
}

TEST(CommandLineInfoTest, FirstNonSwitchArgumentIsTheDocument)
{
    const CommandLineInfo info = Parse({"first.dat", "-Automation", "second.dat"});
    EXPECT_EQ(info.fileName, QStringLiteral("first.dat"));
    EXPECT_TRUE(info.automation);
}

TEST(CommandLineInfoTest, AbsolutePathIsADocumentNotASwitch)
{
    EXPECT_EQ(Parse({"/tmp/board.dat"}).fileName, QStringLiteral("/tmp/board.dat"));
    EXPECT_EQ(Parse({"/Embeddings"}).fileName, QStringLiteral("/Embeddings"));
    EXPECT_FALSE(Parse({"/Embeddings"}).embedding);
}

TEST(CommandLineInfoTest, PrintAndShellSwitchesAreIgnoredAndAnUnknownSwitchIsKeptToBeRefused)
{
    for (const char* ignored : {"/p", "-pt", "/dde"}) {
        const CommandLineInfo info = Parse({ignored});
        EXPECT_TRUE(info.fileName.isEmpty()) << ignored;
        EXPECT_TRUE(info.unknownSwitch.isEmpty()) << ignored;
        EXPECT_FALSE(info.RunForClient() || info.unregister) << ignored;
    }
    const CommandLineInfo info = Parse({"-Embedding", "-Regsrv", "--bogus"});
    EXPECT_EQ(info.unknownSwitch, QStringLiteral("-Regsrv"));
    EXPECT_TRUE(info.fileName.isEmpty());
    EXPECT_TRUE(Parse({"/Regsrv"}).unknownSwitch.isEmpty());  // a path, not a switch
}

TEST(CommandLineInfoTest, ALoneSlashOrDashIsAFileName)
{
    EXPECT_EQ(Parse({"-"}).fileName, QStringLiteral("-"));
}

}  // namespace

TEST(CommandLineInfoTest, RegisterHelpAndVersionSwitches)
{
    EXPECT_TRUE(Parse({"-Register"}).registerOnly);
    EXPECT_TRUE(Parse({"/REGSERVER"}).registerOnly);
    EXPECT_FALSE(Parse({"-Register"}).RunForClient());
    for (const char* help : {"--help", "-h", "/?", "--HELP"}) {
        const CommandLineInfo info = Parse({help});
        EXPECT_TRUE(info.help) << help;
        EXPECT_TRUE(info.fileName.isEmpty()) << help;
    }
    EXPECT_TRUE(Parse({"--version"}).version);
    EXPECT_FALSE(Parse({"--version"}).help);
    EXPECT_FALSE(Parse({"/help"}).help);
    EXPECT_EQ(Parse({"/help"}).fileName, QStringLiteral("/help"));
}

TEST(CommandLineInfoTest, UsageNamesTheSwitchesTheFilesAndThePortMap)
{
    const std::string usage = CommandLineInfo::Usage();
    EXPECT_EQ(usage.rfind("Usage: varnix [-Register | -Unregister | -Embedding | -Automation] [FILE]\n", 0), 0u);
    for (const char* each : {"-Register", "-Regserver", "-Unregister", "-Unregserver", "-Embedding", "-Automation",
                             "-p, -pt, -dde", "--help, -h, -?", "--version"})
        EXPECT_NE(usage.find("\n  " + std::string(each) + " "), std::string::npos) << each;
    EXPECT_NE(usage.find("$XDG_CONFIG_HOME/automation/classes-root.ini"), std::string::npos);
    EXPECT_NE(usage.find("ln -sfn /dev/ttyUSB0 ~/.config/dosdevices/com1"), std::string::npos);
    EXPECT_NE(usage.find("    com1"), std::string::npos);
}

TEST(CommandLineInfoTest, UsageNamesTheClassesScriptsCreateInLinesOfAtMost79Characters)
{
    const QString usage = QString::fromStdString(CommandLineInfo::Usage());
    const qsizetype start = usage.indexOf(QStringLiteral("\nIts classes: "));
    ASSERT_GE(start, 0) << usage.toStdString();
    const qsizetype end = usage.indexOf(QStringLiteral(".\n"), start);
    const QString paragraph = usage.mid(start + 1, end - start);
    for (const QString& line : paragraph.split(u'\n')) EXPECT_LE(line.size(), 79) << line.toStdString();
    QStringList named = usage.mid(start + 14, end - start - 14).split(QRegularExpression(QStringLiteral(",\\s")));
    // The classes of the boards list (boards.cmake), in any order.
    QStringList expected = QStringLiteral(SCRIPT_CLASSES).split(QStringLiteral(", "));
    named.sort();
    expected.sort();
    EXPECT_EQ(named.join(u','), expected.join(u',')) << usage.toStdString();
}
