#include "fuzz/FuzzInput.h"

std::uint8_t FuzzInput::Byte()
{
    return position_ < data_.size() ? data_[position_++] : 0;
}

std::uint16_t FuzzInput::Word16()
{
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | Byte() << 8);
}

std::uint32_t FuzzInput::Word32()
{
    const std::uint32_t low = Word16();
    return low | static_cast<std::uint32_t>(Word16()) << 16;
}

std::vector<std::uint8_t> FuzzInput::Rest()
{
    std::vector<std::uint8_t> rest(data_.begin() + static_cast<std::ptrdiff_t>(position_), data_.end());
    position_ = data_.size();
    return rest;
}
