#include "monitor/boards/Ezkit21k.h"

#include "monitor/core/BoardTexts.h"
#include "monitor/core/BoardValues.h"
#include "monitor/core/FlashImageFormats.h"

namespace {

// A format number that names no format reads the file as S-records.
std::unique_ptr<FlashImage> ImageForFormat(std::int32_t format)
{
    return FlashImageFormats::Create(FlashImageFormats::ByNumber(format, SRecords), Ezkit21k::kFlashPageSize);
}

}  // namespace

Ezkit21k::Ezkit21k()
{
    OpenLine();
}

Ezkit21k::Ezkit21k(std::unique_ptr<CommDevice> device) : link_(std::move(device))
{
    OpenLine();
}

// A port that does not open is not reported here: the first transfer fails.
void Ezkit21k::OpenLine()
{
    link_.Open();
    link_.SetBaudRate(kBaudRate);
}

const DispatchMap& Ezkit21k::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Ezkit21k, Ad21k>()
        .Method("ResyncComm", &Ezkit21k::ResyncComm)    // 1
        .Method("ProgFlash", &Ezkit21k::ProgFlash)      // 2
        .Method("VerifyFlash", &Ezkit21k::VerifyFlash)  // 3
        .Method("SetLockout", &Ezkit21k::SetLockout)    // 4
        .Method("GetLockout", &Ezkit21k::GetLockout)    // 5
        .Property("Port", &Ezkit21k::GetPort, &Ezkit21k::SetPort)  // 6
        .Build();
    return map;
}

Variant Ezkit21k::Fail(const LinkResult& failure)
{
    Variant result;
    switch (failure.kind) {
    case LinkResult::InvalidHeader:
        SetError(result, 0, "Invalid Header");
        break;
    case LinkResult::UnexpectedLength:
        SetError(result, 0, "Unexpected packet length");
        break;
    case LinkResult::SerialFailure:
        RecordSerialFailure(result, failure.code, link_);
        break;
    case LinkResult::InvalidLockoutValue:
        SetError(result, failure.code, "Invalid Lockout Value:");
        break;
    default:  // Ok, and the kinds this link does not return
        break;
    }
    return result;
}

Variant Ezkit21k::ReadDataMemory(std::int32_t address, std::int32_t count)
{
    // The result array must be possible before anything is sent.
    if (!BoardValues::ArrayCanHold(count))
        return Fail(BoardTexts::kNoDataAccess);
    std::vector<std::uint32_t> words;
    const LinkResult outcome = link_.ReadData(static_cast<std::uint32_t>(address),
                                                        static_cast<std::uint32_t>(count), words);
    if (!outcome.ok())
        return Fail(outcome);
    return BoardValues::I4Array(words);
}

Variant Ezkit21k::WriteDataMemory(std::int32_t address, Variant& data)
{
    std::optional<std::vector<std::uint32_t>> words = BoardValues::Words32(data);
    if (!words)
        return Fail(BoardTexts::kNoDataAccess);
    if (words->size() > Ezkit21kLink::kMaxWriteWords)
        return Fail("Can't write more than 65531 words in one packet");
    const LinkResult outcome = link_.WriteData(static_cast<std::uint32_t>(address), *words);
    return outcome.ok() ? Variant::I4(0) : Fail(outcome);
}

Variant Ezkit21k::ReadFlashBlock(std::int32_t address, std::int32_t count)
{
    if (count < 0)
        return Fail(BoardTexts::kNoDataAccess);
    if (count > kMaxFlashBlock)
        return Fail("Can't read more than 256 bytes of data from FLASH");
    std::vector<std::uint32_t> values;
    const LinkResult outcome = link_.ReadFlash(static_cast<std::uint32_t>(address),
                                                         static_cast<std::uint32_t>(count), values);
    if (!outcome.ok())
        return Fail(outcome);
    return BoardValues::I4Array(values);
}

Variant Ezkit21k::WriteFlashBlock(std::int32_t address, Variant& data)
{
    std::optional<std::vector<std::uint32_t>> values = BoardValues::Words32(data);
    if (!values)
        return Fail(BoardTexts::kNoDataAccess);
    if (values->size() > static_cast<std::size_t>(kMaxFlashBlock))
        return Fail("Can't write more than 256 bytes of data to FLASH");
    const LinkResult outcome = link_.WriteFlash(static_cast<std::uint32_t>(address), *values);
    return outcome.ok() ? Variant::I4(0) : Fail(outcome);
}

Variant Ezkit21k::ResyncComm()
{
    const LinkResult outcome = link_.Resync();
    return outcome.ok() ? Variant::I4(0) : Fail(outcome);
}

Variant Ezkit21k::ProgFlash(const std::string& fileName, std::int32_t format)
{
    std::unique_ptr<FlashImage> image = ImageForFormat(format);
    return ProgImage(fileName, *image);
}

Variant Ezkit21k::VerifyFlash(const std::string& fileName, std::int32_t format)
{
    std::unique_ptr<FlashImage> image = ImageForFormat(format);
    return VerifyImage(fileName, *image);
}

Variant Ezkit21k::SetLockout(std::int32_t value)
{
    const LinkResult outcome = link_.SetLockout(static_cast<std::uint32_t>(value));
    return outcome.ok() ? Variant::I4(0) : Fail(outcome);
}

Variant Ezkit21k::GetLockout()
{
    // The link closes the monitor's status mode before any failure is
    // recorded here, so even a thrown dispatch exception leaves it in step.
    std::int32_t mask = 0;
    const LinkResult outcome = link_.ReadLockout(mask);
    return outcome.ok() ? Variant::I4(mask) : Fail(outcome);
}
