#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A fuzz input read from the front: first the few parameters of the operation
// a target runs (which member, an address, a count), then the rest as the
// bytes that the operation meets on the line or in a file. Reading past the
// end gives zeros, so that every input, however short, names an operation.
class FuzzInput {
public:
    explicit FuzzInput(std::span<const std::uint8_t> data) : data_(data) {}
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data, size) {}

    std::uint8_t Byte();
    // Two or four bytes, least significant first.
    std::uint16_t Word16();
    std::uint32_t Word32();
    // The bytes not read yet; reading ends here.
    std::vector<std::uint8_t> Rest();

private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};
