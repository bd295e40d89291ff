// Fuzz target: a .Q47 configuration file read into the record, as the
// configurator's Load and its command line read a user's file.
#include "configurator/ConfigFile.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzScratchFile file;
    file.Write(data, size);
    UnitConfig config;
    FUZZ_CHECK(ReadConfigFile(config, file.Path()));
    FUZZ_CHECK(config.morseText.size() <= 50);
    return 0;
}
