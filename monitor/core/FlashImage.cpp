#include "monitor/core/FlashImage.h"

#include "monitor/core/TextLineReader.h"

#include <algorithm>
#include <bit>
#include <new>

FlashImage::FlashImage(std::int32_t pageSize)
    : pages_(new (std::nothrow) std::unique_ptr<std::uint8_t[]>[kMaxPages]),
      pageSize_(pageSize),
      pageShift_(std::countr_zero(static_cast<std::uint32_t>(pageSize)))
{
}

FlashImage::~FlashImage() = default;

std::unique_ptr<std::uint8_t[]> FlashImage::AllocatePage()
{
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[pageSize_]);
}

bool FlashImage::ResetImage()
{
    lowestAddress_ = -1;
    highestAddress_ = -1;
    if (!pages_)
        return false;
    for (std::int32_t i = 0; i < kMaxPages; ++i)
        pages_[i].reset();
    lowestPage_ = kMaxPages;
    highestPage_ = -1;
    return true;
}

std::int32_t FlashImage::EnsurePage(std::int32_t index)
{
    if (index < 0 || index >= kMaxPages)
        return BeyondLastPage;
    if (!pages_)
        return NoMemory;
    if (pages_[index])
        return LoadOk;
    pages_[index] = AllocatePage();
    lowestPage_ = std::min(lowestPage_, index);
    highestPage_ = std::max(highestPage_, index);
    if (!pages_[index])
        return NoMemory;
    std::fill_n(pages_[index].get(), pageSize_, std::uint8_t{0xFF});
    return LoadOk;
}

std::int32_t FlashImage::SetByte(std::int32_t address, std::uint8_t value)
{
    std::int32_t result = EnsurePage(address >> pageShift_);
    if (result == LoadOk)
        pages_[address >> pageShift_][address & (pageSize_ - 1)] = value;
    highestAddress_ = std::max(highestAddress_, address);
    if (lowestAddress_ < 0 || lowestAddress_ > address)
        lowestAddress_ = address;
    return result;
}

std::span<const std::uint8_t> FlashImage::GetPage(std::int32_t index) const
{
    if (!pages_ || index < lowestPage_ || index > highestPage_ || !pages_[index])
        return {};
    return {pages_[index].get(), static_cast<std::size_t>(pageSize_)};
}

std::int32_t FlashImage::Load(const std::string& fileName)
{
    if (!ResetImage())
        return NoMemory;
    TextLineReader reader;
    if (!reader.Open(fileName))
        return CannotOpen;
    StartFile();
    while (reader.Next(record_)) {
        position_ = 0;
        sum_ = 0;
        const std::int32_t result = ReadRecord();
        if (result == kEndRecord)
            return LoadOk;
        if (result != LoadOk)
            return result;
    }
    return MissingEnd;
}

char FlashImage::RecordChar(std::size_t position) const
{
    return position < record_.size() ? record_[position] : '\0';
}

bool FlashImage::HexDigitsAt(std::size_t from, std::size_t to) const
{
    return HexDigits::AllAt(record_, from, to);
}

std::uint32_t FlashImage::NextBigEndian(int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | NextByte();
    return value;
}

std::int32_t FlashImage::StoreByte(std::uint64_t address, std::uint8_t value)
{
    if ((address >> pageShift_) >= static_cast<std::uint64_t>(kMaxPages))
        return BeyondLastPage;
    return SetByte(static_cast<std::int32_t>(address), value);
}
