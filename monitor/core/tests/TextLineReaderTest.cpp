#include "monitor/core/TextLineReader.h"
#include "monitor/core/tests/SRecordFiles.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> ReadLines(const std::string& content)
{
    TempFolder folder;
    TextLineReader reader;
    EXPECT_TRUE(reader.Open(folder.Write("lines.txt", content)));
    std::vector<std::string> lines;
    std::string line;
    while (reader.Next(line))
        lines.push_back(line);
    return lines;
}

TEST(TextLineReader, SplitsLinesAtNewlineAndCarriageReturnNewline)
{
    EXPECT_EQ(ReadLines("one\ntwo\r\nthree"),
              (std::vector<std::string>{"one", "two", "three"}));
}

TEST(TextLineReader, EmptyFileHasNoLine)
{
    EXPECT_TRUE(ReadLines("").empty());
}

TEST(TextLineReader, BlankLinesAreLines)
{
    EXPECT_EQ(ReadLines("\n\r\nx\n"), (std::vector<std::string>{"", "", "x"}));
}

TEST(TextLineReader, LineOf199CharactersIsOneLine)
{
    std::string exact(199, 'a');
    EXPECT_EQ(ReadLines(exact + "\n" + "b\n"), (std::vector<std::string>{exact, "b"}));
    EXPECT_EQ(ReadLines(exact + "\r\nb"), (std::vector<std::string>{exact, "b"}));
}

TEST(TextLineReader, LongerLineIsSplitAfter199Characters)
{
    std::string longLine = std::string(199, 'a') + std::string(199, 'b') + "cc";
    EXPECT_EQ(ReadLines(longLine + "\nd\n"),
              (std::vector<std::string>{std::string(199, 'a'), std::string(199, 'b'), "cc", "d"}));
}

TEST(TextLineReader, LoneCarriageReturnAndNulBytesAreKept)
{
    std::string withNul("a\rb\0c\n", 6);
    EXPECT_EQ(ReadLines(withNul), (std::vector<std::string>{std::string("a\rb\0c", 5)}));
    // A carriage return at the split point is not a line end on its own.
    std::string splitAtReturn = std::string(199, 'x') + "\ry\n";
    EXPECT_EQ(ReadLines(splitAtReturn), (std::vector<std::string>{std::string(199, 'x'), "\ry"}));
}

TEST(TextLineReader, LinesAcrossTheReadBufferStayWhole)
{
    std::string content;
    for (int i = 0; i < 20000; ++i)
        content += "line" + std::to_string(i) + "\r\n";
    std::vector<std::string> lines = ReadLines(content);
    ASSERT_EQ(lines.size(), 20000u);
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(lines[i], "line" + std::to_string(i));
}

TEST(TextLineReader, MissingFileOrFolderDoesNotOpen)
{
    TempFolder folder;
    TextLineReader reader;
    EXPECT_FALSE(reader.Open(folder.Path("absent.txt")));
    EXPECT_FALSE(reader.Open(folder.Path("")));
    std::string line = "old";
    EXPECT_FALSE(reader.Next(line));
    EXPECT_TRUE(line.empty());
}

}  // namespace
