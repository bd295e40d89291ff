#include "monitor/core/tests/SRecordFiles.h"

#include "monitor/core/FlashImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>

extern char** environ;

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "varnix-core-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        ADD_FAILURE() << "cannot create a temporary folder";
    path_ = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::Path(const std::string& name) const
{
    return path_ + "/" + name;
}

std::string TempFolder::Write(const std::string& name, const std::string& bytes) const
{
    std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool RunSrecCat(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{"srec_cat"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "srec_cat", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string MakeSRecordFile(const TempFolder& folder, const std::string& name,
                            const ByteBlocks& blocks,
                            const std::vector<std::string>& extraOutputOptions)
{
    std::vector<std::string> arguments;
    int index = 0;
    for (const auto& [address, bytes] : blocks) {
        std::string piece(bytes.begin(), bytes.end());
        arguments.push_back(folder.Write(name + ".part" + std::to_string(index++), piece));
        arguments.push_back("-binary");
        arguments.push_back("-offset");
        arguments.push_back(std::to_string(address));
    }
    std::string path = folder.Path(name);
    for (const char* option : {"-o", path.c_str(), "-motorola", "-address-length=3",
                               "-disable=data-count", "-execution-start-address=0"})
        arguments.push_back(option);
    arguments.insert(arguments.end(), extraOutputOptions.begin(), extraOutputOptions.end());
    EXPECT_TRUE(RunSrecCat(arguments)) << "srec_cat could not write " << name;
    return path;
}

std::string SrecCatBinary(const std::string& srecordPath, std::uint32_t end)
{
    std::string binary = srecordPath + ".bin";
    EXPECT_TRUE(RunSrecCat({srecordPath, "-motorola", "-fill", "0xFF", "0", std::to_string(end),
                            "-o", binary, "-binary"}));
    return ReadWholeFile(binary);
}

std::vector<std::uint8_t> PatternBytes(std::size_t n, std::uint32_t seed)
{
    std::vector<std::uint8_t> bytes(n);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

void ExpectPagesEqualBinary(const FlashImage& image, const std::string& binary,
                            const std::set<std::int32_t>& expectedPages)
{
    std::set<std::int32_t> present;
    for (std::int32_t i = image.LowestPage(); i <= image.HighestPage(); ++i) {
        std::span<const std::uint8_t> page = image.GetPage(i);
        if (page.empty())
            continue;
        present.insert(i);
        ASSERT_EQ(page.size(), 256u);
        const std::string expected = binary.substr(static_cast<std::size_t>(i) * 256, 256);
        ASSERT_TRUE(std::equal(page.begin(), page.end(), expected.begin(),
                               [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
            << "page " << i;
    }
    EXPECT_EQ(present, expectedPages);
}
