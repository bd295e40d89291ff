#include "monitor/core/HexFlashImage.h"

#include "monitor/core/HexDigits.h"
#include "monitor/core/TextLineReader.h"

namespace {

enum RecordType : int {
    DataRecord = 0,
    EndRecord = 1,
    SegmentAddressRecord = 2,
    LinearAddressRecord = 4,
};

// Character positions of the fields of a record line.
constexpr std::size_t kCountAt = 1;
constexpr std::size_t kOffsetAt = 3;
constexpr std::size_t kTypeAt = 7;
constexpr std::size_t kDataAt = 9;

}  // namespace

std::int32_t HexFlashImage::Load(const std::string& fileName)
{
    if (!ResetImage())
        return NoMemory;
    TextLineReader reader;
    if (!reader.Open(fileName))
        return CannotOpen;
    baseAddress_ = 0;
    std::string line;
    while (reader.Next(line)) {
        if (line.empty() || line[0] != ':')
            return BadRecord;
        // Count, offset and type must be readable before anything else is.
        if (!HexDigits::AllAt(line, kCountAt, kDataAt))
            return BadRecord;
        if (static_cast<int>(HexDigits::ByteAt(line, kTypeAt)) == EndRecord)
            return LoadOk;
        if (std::int32_t result = LoadRecord(line); result != LoadOk)
            return result;
    }
    return MissingEnd;
}

std::int32_t HexFlashImage::LoadRecord(const std::string& line)
{
    const unsigned count = HexDigits::ByteAt(line, kCountAt);
    const unsigned offset = HexDigits::ByteAt(line, kOffsetAt) * 256 + HexDigits::ByteAt(line, kOffsetAt + 2);
    const int type = static_cast<int>(HexDigits::ByteAt(line, kTypeAt));
    // Every character the count promises, and the check sum after them,
    // must be present and hexadecimal before any field is used.
    const std::size_t checksumAt = kDataAt + 2 * static_cast<std::size_t>(count);
    if (!HexDigits::AllAt(line, kDataAt, checksumAt + 2))
        return BadRecord;

    unsigned sum = count + (offset >> 8) + (offset & 0xFF) + static_cast<unsigned>(type);
    switch (type) {
    case DataRecord: {
        // Wide enough that no base and offset can wrap round to a low page.
        std::uint64_t address = std::uint64_t{baseAddress_} + offset;
        for (unsigned i = 0; i < count; ++i, ++address) {
            const unsigned value = HexDigits::ByteAt(line, kDataAt + 2 * static_cast<std::size_t>(i));
            sum += value;
            if ((address >> PageShift()) >= static_cast<std::uint64_t>(kMaxPages))
                return BeyondLastPage;
            if (std::int32_t result = SetByte(static_cast<std::int32_t>(address), static_cast<std::uint8_t>(value));
                result != LoadOk)
                return result;
        }
        break;
    }
    case SegmentAddressRecord:
    case LinearAddressRecord: {
        if (count != 2)
            return BadRecord;
        const unsigned high = HexDigits::ByteAt(line, kDataAt);
        const unsigned low = HexDigits::ByteAt(line, kDataAt + 2);
        sum += high + low;
        const std::uint32_t value = high * 256 + low;
        baseAddress_ = type == SegmentAddressRecord ? value * 16 : value * 65536;
        break;
    }
    default:
        for (unsigned i = 0; i < count; ++i)
            sum += HexDigits::ByteAt(line, kDataAt + 2 * static_cast<std::size_t>(i));
        break;
    }
    sum += HexDigits::ByteAt(line, checksumAt);
    return (sum & 0xFF) == 0 ? LoadOk : BadChecksum;
}
