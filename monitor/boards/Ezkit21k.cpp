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

Ezkit21k::Ezkit21k() : SerialBoard(kBaudRate) {}

Ezkit21k::Ezkit21k(std::unique_ptr<CommDevice> device) : SerialBoard(kBaudRate, std::move(device)) {}

const DispatchMap& Ezkit21k::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Ezkit21k, Ad21k>()
                                       .Method("ResyncComm", &Ezkit21k::ResyncComm)               // 1
                                       .Method("ProgFlash", &Ezkit21k::ProgFlash)                 // 2
                                       .Method("VerifyFlash", &Ezkit21k::VerifyFlash)             // 3
                                       .Method("SetLockout", &Ezkit21k::SetLockout)               // 4
                                       .Method("GetLockout", &Ezkit21k::GetLockout)               // 5
                                       .Property("Port", &Ezkit21k::GetPort, &Ezkit21k::SetPort)  // 6
                                       .Build();
    return map;
}

// The one table of this board's failures.
constexpr FailureText kFailures[] = {
    {LinkResult::InvalidHeader, "Invalid Header"},
    {LinkResult::UnexpectedLength, "Unexpected packet length"},
    {LinkResult::InvalidLockoutValue, "Invalid Lockout Value:", FailureText::FromFailure},
    {LinkResult::NoDataAccess, BoardTexts::kNoDataAccess},
    {LinkResult::PacketTooLong, "Can't write more than 65531 words in one packet"},
    {LinkResult::FlashReadTooLong, "Can't read more than 256 bytes of data from FLASH"},
    {LinkResult::FlashWriteTooLong, "Can't write more than 256 bytes of data to FLASH"},
};

std::span<const FailureText> Ezkit21k::FailureTexts() const
{
    return kFailures;
}

LinkResult Ezkit21k::ReadDataMemory(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& words)
{
    // The result array must be possible before anything is sent.
    if (!BoardValues::ArrayCanHold(count))
        return {LinkResult::NoDataAccess};
    return link_.ReadData(static_cast<std::uint32_t>(address), static_cast<std::uint32_t>(count), words);
}

LinkResult Ezkit21k::WriteDataMemory(std::int32_t address, std::span<const std::uint32_t> words)
{
    if (words.size() > Ezkit21kLink::kMaxWriteWords)
        return {LinkResult::PacketTooLong};
    return link_.WriteData(static_cast<std::uint32_t>(address), words);
}

LinkResult Ezkit21k::ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values)
{
    if (count < 0)
        return {LinkResult::NoDataAccess};
    if (count > kMaxFlashBlock)
        return {LinkResult::FlashReadTooLong};
    return link_.ReadFlash(static_cast<std::uint32_t>(address), static_cast<std::uint32_t>(count), values);
}

LinkResult Ezkit21k::WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values)
{
    if (values.size() > static_cast<std::size_t>(kMaxFlashBlock))
        return {LinkResult::FlashWriteTooLong};
    return link_.WriteFlash(static_cast<std::uint32_t>(address), values);
}

Variant Ezkit21k::ResyncComm()
{
    return Result(link_.Resync());
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
    return Result(link_.SetLockout(static_cast<std::uint32_t>(value)));
}

Variant Ezkit21k::GetLockout()
{
    // The link closes the monitor's status mode before any failure is
    // recorded here, so even a thrown dispatch exception leaves it in step.
    std::int32_t mask = 0;
    const LinkResult outcome = link_.ReadLockout(mask);
    return outcome.ok() ? Variant::I4(mask) : Fail(outcome);
}
