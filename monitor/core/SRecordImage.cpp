#include "monitor/core/SRecordImage.h"

std::int32_t SRecordImage::ReadRecord()
{
    if (RecordChar(0) != 'S')
        return BadRecord;
    switch (RecordChar(1)) {
    case '0':
        return LoadOk;
    case '2':
        return ReadDataRecord();
    case '8':
    case '9':
        return kEndRecord;
    default:
        return BadRecord;
    }
}

std::int32_t SRecordImage::ReadDataRecord()
{
    // Layout: "S2", count, 3 address bytes, count - 4 data bytes, checksum;
    // the count says how many bytes follow it.
    if (!HexDigitsAt(2, 4))
        return BadRecord;
    MoveTo(2);
    const int count = NextByte();
    if (count < 4)
        return BadRecord;
    // Every character the count promises must be present and hexadecimal
    // before any field is read; a truncated or split line stops here.
    if (!HexDigitsAt(4, 4 + 2 * static_cast<std::size_t>(count)))
        return BadRecord;

    std::int32_t address = static_cast<std::int32_t>(NextBigEndian(3));
    if (LowestAddress() == -1)
        SetLowestAddress(address);
    for (int i = 4; i < count; ++i, ++address) {
        if (std::int32_t result = StoreByte(static_cast<std::uint64_t>(address), NextByte()); result != LoadOk)
            return result;
    }
    // The checksum is the ones' complement of the sum of the bytes before it.
    const std::uint8_t expected = static_cast<std::uint8_t>(~Sum());
    return NextByte() == expected ? LoadOk : BadChecksum;
}
