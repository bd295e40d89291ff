#pragma once

#include "monitor/core/FlashImage.h"

// Flash image read from a Motorola S-record file with 24-bit addresses (S0
// header, S2 data, S8 or S9 end records): the format of the DSP program files.
class SRecordImage : public FlashImage {
public:
    explicit SRecordImage(std::int32_t pageSize = 256) : FlashImage(pageSize) {}

private:
    std::int32_t ReadRecord() override;
    // Stores the data bytes of one S2 record; returns a load error.
    std::int32_t ReadDataRecord();
};
