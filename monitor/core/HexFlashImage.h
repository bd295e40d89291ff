#pragma once

#include "monitor/core/FlashImage.h"

#include <cstdint>

// Flash image read from an Intel HEX file: data records (type 00), the end
// record (01), and extended segment (02) and extended linear (04) address
// records that set the base address of the data records after them. Records
// of any other type carry nothing used; only their check sum is tested.
class HexFlashImage : public FlashImage {
public:
    explicit HexFlashImage(std::int32_t pageSize = 256) : FlashImage(pageSize) {}

private:
    void StartFile() override { baseAddress_ = 0; }
    std::int32_t ReadRecord() override;
    // The fields after the type of a record that is not the end record;
    // each returns a load error.
    std::int32_t ReadData(unsigned count, unsigned offset);
    std::int32_t ReadBaseAddress(unsigned count, int type);

    std::uint32_t baseAddress_ = 0;
};
