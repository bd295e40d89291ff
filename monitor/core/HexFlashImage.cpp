#include "monitor/core/HexFlashImage.h"

namespace {

enum RecordType : int {
    DataRecord = 0,
    EndRecord = 1,
    SegmentAddressRecord = 2,
    LinearAddressRecord = 4,
};

// Character positions of the count and of the data of a record line.
constexpr std::size_t kCountAt = 1;
constexpr std::size_t kDataAt = 9;

}  // namespace

std::int32_t HexFlashImage::ReadRecord()
{
    if (RecordChar(0) != ':')
        return BadRecord;
    // Count, offset and type must be readable before anything else is.
    if (!HexDigitsAt(kCountAt, kDataAt))
        return BadRecord;
    MoveTo(kCountAt);
    const unsigned count = NextByte();
    const unsigned offset = NextBigEndian(2);
    const int type = NextByte();
    if (type == EndRecord)
        return kEndRecord;
    // Every character the count promises, and the check sum after them,
    // must be present and hexadecimal before any field is used.
    if (!HexDigitsAt(kDataAt, kDataAt + 2 * static_cast<std::size_t>(count) + 2))
        return BadRecord;

    std::int32_t result = LoadOk;
    switch (type) {
    case DataRecord:
        result = ReadData(count, offset);
        break;
    case SegmentAddressRecord:
    case LinearAddressRecord:
        result = ReadBaseAddress(count, type);
        break;
    default:
        for (unsigned i = 0; i < count; ++i)
            NextByte();
        break;
    }
    if (result != LoadOk)
        return result;
    NextByte();  // the check sum: the bytes of a sound record add up to 0
    return Sum() == 0 ? LoadOk : BadChecksum;
}

std::int32_t HexFlashImage::ReadData(unsigned count, unsigned offset)
{
    // Wide enough that no base and offset can wrap round to a low page.
    std::uint64_t address = std::uint64_t{baseAddress_} + offset;
    for (unsigned i = 0; i < count; ++i, ++address) {
        if (std::int32_t result = StoreByte(address, NextByte()); result != LoadOk)
            return result;
    }
    return LoadOk;
}

std::int32_t HexFlashImage::ReadBaseAddress(unsigned count, int type)
{
    if (count != 2)
        return BadRecord;
    const std::uint32_t value = NextBigEndian(2);
    baseAddress_ = type == SegmentAddressRecord ? value * 16 : value * 65536;
    return LoadOk;
}
