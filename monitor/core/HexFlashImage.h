#pragma once

#include "monitor/core/FlashImage.h"

#include <cstdint>
#include <string>

// Flash image read from an Intel HEX file: data records (type 00), the end
// record (01), and extended segment (02) and extended linear (04) address
// records that set the base address of the data records after them. Records
// of any other type carry nothing used; only their check sum is tested.
class HexFlashImage : public FlashImage {
public:
    explicit HexFlashImage(std::int32_t pageSize = 256) : FlashImage(pageSize) {}

    std::int32_t Load(const std::string& fileName) override;

private:
    // Handles one record line other than the end record; returns a load error.
    std::int32_t LoadRecord(const std::string& line);

    std::uint32_t baseAddress_ = 0;
};
