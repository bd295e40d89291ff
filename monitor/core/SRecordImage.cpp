#include "monitor/core/SRecordImage.h"

#include "monitor/core/HexDigits.h"
#include "monitor/core/TextLineReader.h"

std::int32_t SRecordImage::Load(const std::string& fileName)
{
    if (!ResetImage())
        return NoMemory;
    TextLineReader reader;
    if (!reader.Open(fileName))
        return CannotOpen;
    std::string line;
    while (reader.Next(line)) {
        if (line.empty() || line[0] != 'S')
            return BadRecord;
        char type = line.size() > 1 ? line[1] : '\0';
        switch (type) {
        case '0':
            break;
        case '2':
            if (std::int32_t result = LoadDataRecord(line); result != LoadOk)
                return result;
            break;
        case '8':
        case '9':
            return LoadOk;
        default:
            return BadRecord;
        }
    }
    return MissingEnd;
}

std::int32_t SRecordImage::LoadDataRecord(const std::string& line)
{
    // Layout: "S2", count, 3 address bytes, count - 4 data bytes, checksum;
    // the count says how many bytes follow it.
    if (line.size() < 4 || !HexDigits::AllAt(line, 2, 4))
        return BadRecord;
    const int count = HexDigits::ByteAt(line, 2);
    if (count < 4)
        return BadRecord;
    // Every character the count promises must be present and hexadecimal
    // before any field is read; a truncated or split line stops here.
    const std::size_t recordEnd = 4 + 2 * static_cast<std::size_t>(count);
    if (line.size() < recordEnd || !HexDigits::AllAt(line, 4, recordEnd))
        return BadRecord;

    std::int32_t address = (HexDigits::ByteAt(line, 4) << 16) | (HexDigits::ByteAt(line, 6) << 8) | HexDigits::ByteAt(line, 8);
    if (LowestAddress() == -1)
        SetLowestAddress(address);
    unsigned sum = static_cast<unsigned>(count) + HexDigits::ByteAt(line, 4) + HexDigits::ByteAt(line, 6)
                   + HexDigits::ByteAt(line, 8);
    const int dataBytes = count - 4;
    for (int i = 0; i < dataBytes; ++i) {
        std::uint8_t value = HexDigits::ByteAt(line, 10 + 2 * static_cast<std::size_t>(i));
        sum += value;
        if ((address >> PageShift()) >= kMaxPages)
            return BeyondLastPage;
        if (std::int32_t result = SetByte(address, value); result != LoadOk)
            return result;
        ++address;
    }
    const std::uint8_t checksum = HexDigits::ByteAt(line, 10 + 2 * static_cast<std::size_t>(dataBytes));
    if (checksum != static_cast<std::uint8_t>(~sum & 0xFF))
        return BadChecksum;
    return LoadOk;
}
