#pragma once

#include "automation/core/Variant.h"
#include "fuzz/TranscriptLine.h"
#include "simulators/ptyline/ByteDevice.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// The seeds of the fuzz targets. A reply target's seed is the member called and its
// arguments in the target's input layout (SeedHeader), followed by the bytes the
// simulated device answered when the real board class made that call (TranscriptLine).
// Each reply target writes its own seeds when run as `<target> -write_seeds=CORPUS`
// (fuzz/make-seeds.sh): its LLVMFuzzerInitialize asks FolderAsked, writes them and ends.
namespace ReplySeeds {

using Bytes = std::vector<std::uint8_t>;

// CORPUS of an argument -write_seeds=CORPUS, if there is one.
std::optional<std::filesystem::path> FolderAsked(int argc, char** argv);

// Writes `header` and then `transcript` as the file corpus/target/name.
void Save(const std::filesystem::path& corpus, const std::string& target, const std::string& name,
          const Bytes& header, const Bytes& transcript);

// The device as a TranscriptLine takes it: every piece of its output at once.
TranscriptLine::Device Flattened(ByteDevice& device);

// A VT_I4 array of the values.
Variant Values(std::initializer_list<std::int32_t> values);

}  // namespace ReplySeeds
