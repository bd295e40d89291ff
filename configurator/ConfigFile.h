#pragma once

#include "configurator/UnitConfig.h"

#include <string>

// The .Q47 configuration file: 208 text lines holding every field of the record in the
// user's units, lines ended with CR LF.

// Creates or truncates `path` and writes the record into it. False when the file cannot
// be created or written.
bool WriteConfigFile(const UnitConfig& config, const std::string& path);

// Reads `path` into the record field by field. A number that cannot be read leaves its
// field unchanged; a missing relay word or Morse line gives an empty text. False, with the
// record untouched, when the file cannot be opened or read. `numberLinesRead`, when
// given, receives how many of the file's lines of numbers were read whole: none for a
// file that is not a configuration at all.
bool ReadConfigFile(UnitConfig& config, const std::string& path, int* numberLinesRead = nullptr);
