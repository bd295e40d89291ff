#include "monitor/core/tests/IntelHexFiles.h"

#include <gtest/gtest.h>

std::string MakeIntelHexFile(const TempFolder& folder, const std::string& name, const ByteBlocks& blocks,
                             const std::vector<std::string>& extraOutputOptions)
{
    std::vector<std::string> arguments;
    int index = 0;
    for (const auto& [address, bytes] : blocks) {
        arguments.push_back(folder.Write(name + ".part" + std::to_string(index++), std::string(bytes.begin(), bytes.end())));
        arguments.push_back("-binary");
        arguments.push_back("-offset");
        arguments.push_back(std::to_string(address));
    }
    std::string path = folder.Path(name);
    arguments.insert(arguments.end(), {"-o", path, "-intel"});
    arguments.insert(arguments.end(), extraOutputOptions.begin(), extraOutputOptions.end());
    EXPECT_TRUE(RunSrecCat(arguments)) << "srec_cat could not write " << name;
    return path;
}

std::string SrecCatBinaryOfHex(const std::string& hexPath, std::uint32_t end)
{
    std::string binary = hexPath + ".bin";
    EXPECT_TRUE(RunSrecCat({hexPath, "-intel", "-fill", "0xFF", "0", std::to_string(end), "-o", binary, "-binary"}));
    return ReadWholeFile(binary);
}
