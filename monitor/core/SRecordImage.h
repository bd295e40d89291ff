#pragma once

#include "monitor/core/FlashImage.h"

#include <string>

// Flash image read from a Motorola S-record file with 24-bit addresses (S0
// header, S2 data, S8 or S9 end records): the format of the DSP program files.
class SRecordImage : public FlashImage {
public:
    explicit SRecordImage(std::int32_t pageSize = 256) : FlashImage(pageSize) {}

    std::int32_t Load(const std::string& fileName) override;

private:
    // Stores the data bytes of one S2 record line; returns a load error.
    std::int32_t LoadDataRecord(const std::string& line);
};
