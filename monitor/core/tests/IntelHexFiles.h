#pragma once

#include "monitor/core/tests/SRecordFiles.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes the blocks as an Intel HEX file made by srec_cat and returns its
// path: type 04 address records by default, type 02 with "-address-length=3".
std::string MakeIntelHexFile(const TempFolder& folder, const std::string& name, const ByteBlocks& blocks,
                             const std::vector<std::string>& extraOutputOptions = {});

// srec_cat's binary image of a HEX file from address 0 up to (not including)
// `end`, bytes that the file does not set being 0xFF.
std::string SrecCatBinaryOfHex(const std::string& hexPath, std::uint32_t end);
