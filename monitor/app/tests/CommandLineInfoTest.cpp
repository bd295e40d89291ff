#include "monitor/app/CommandLineInfo.h"

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

TEST(CommandLineInfoTest, PrintAndShellSwitchesAndUnknownDashSwitchesAreIgnored)
{
    for (const char* ignored : {"/p", "-pt", "/dde", "-Whatever"}) {
        const CommandLineInfo info = Parse({ignored});
        EXPECT_TRUE(info.fileName.isEmpty()) << ignored;
        EXPECT_FALSE(info.RunForClient() || info.unregister) << ignored;
    }
}

TEST(CommandLineInfoTest, ALoneSlashOrDashIsAFileName)
{
    EXPECT_EQ(Parse({"-"}).fileName, QStringLiteral("-"));
}

}  // namespace
