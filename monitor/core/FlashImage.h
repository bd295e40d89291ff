#pragma once

#include "monitor/core/HexDigits.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

// In-memory copy of the bytes a program file puts into a target's flash: a
// sparse table of fixed-size pages, each allocated on first use and filled
// with 0xFF, the value of erased flash.
//
// Load reads the file one record line at a time for every file format. A
// derived class parses one record in ReadRecord, reading its bytes with
// NextByte, which keeps the running sum of the record for its check sum,
// and stores data bytes with StoreByte. FlashImageFormats lists the formats.
class FlashImage {
public:
    static constexpr std::int32_t kMaxPages = 4000;

    // Load error numbers shared by every file format.
    enum LoadError : std::int32_t {
        LoadOk = 0,
        NoMemory = 1,  // no page table, or a page could not be allocated
        CannotOpen = 3,
        BadRecord = 4,
        MissingEnd = 5,  // the file ended before its end record
        BeyondLastPage = 6,
        BadChecksum = 7,
    };

    explicit FlashImage(std::int32_t pageSize);
    virtual ~FlashImage();
    FlashImage(const FlashImage&) = delete;
    FlashImage& operator=(const FlashImage&) = delete;

    // Fills the image from a file; returns a LoadError number (0 = loaded):
    // 1 without a page table, 3 when the file is not a readable regular
    // file, 5 when it ends before the end record, otherwise what the first
    // failing record gives.
    std::int32_t Load(const std::string& fileName);

    // Frees every page; lowest and highest address become -1. False when
    // there is no page table.
    bool ResetImage();
    // 6 when the index lies outside the page table, 1 when the page cannot
    // be allocated, otherwise 0 with the page present.
    std::int32_t EnsurePage(std::int32_t index);
    // Stores one byte; returns the EnsurePage result for its page. The
    // address range is widened even when the byte could not be stored.
    std::int32_t SetByte(std::int32_t address, std::uint8_t value);
    // The bytes of a present page (page size long), empty otherwise.
    std::span<const std::uint8_t> GetPage(std::int32_t index) const;

    std::int32_t PageSize() const { return pageSize_; }
    std::int32_t PageShift() const { return pageShift_; }
    std::int32_t LowestPage() const { return lowestPage_; }
    std::int32_t HighestPage() const { return highestPage_; }
    std::int32_t LowestAddress() const { return lowestAddress_; }
    std::int32_t HighestAddress() const { return highestAddress_; }

protected:
    // What ReadRecord gives for the end record: Load stops and returns 0.
    static constexpr std::int32_t kEndRecord = -1;

    // Called once the file is open, before its first record.
    virtual void StartFile() {}
    // Parses the current record line; returns LoadOk to go on with the next
    // line, kEndRecord, or a load error that ends the load.
    virtual std::int32_t ReadRecord() = 0;

    // The character at `position` of the current record, '\0' past its end.
    char RecordChar(std::size_t position) const;
    // True when the record holds characters `from` to `to` - 1 and all are
    // hexadecimal digits. A format checks every field this way before it
    // reads one, so that a short or garbled record stores nothing.
    bool HexDigitsAt(std::size_t from, std::size_t to) const;
    // Puts the byte reader at character `position` of the record.
    void MoveTo(std::size_t position) { position_ = position; }
    // The byte written as two digits at the reader, which moves past them;
    // the byte is added to the running sum. Inline: it runs for every byte.
    std::uint8_t NextByte()
    {
        const std::uint8_t value = HexDigits::ByteAt(record_, position_);
        position_ += 2;
        sum_ += value;
        return value;
    }
    // `count` bytes read with NextByte, the first one the most significant.
    std::uint32_t NextBigEndian(int count);
    // The low eight bits of the sum of the bytes read from this record.
    std::uint8_t Sum() const { return static_cast<std::uint8_t>(sum_); }
    // Stores a data byte of the file: 6 when its page lies beyond the page
    // table (nothing is stored and the address range stays as it was),
    // otherwise what SetByte gives.
    std::int32_t StoreByte(std::uint64_t address, std::uint8_t value);

    // Lets a file format record where its data starts before any byte is
    // stored (a record without data bytes still names an address).
    void SetLowestAddress(std::int32_t address) { lowestAddress_ = address; }

    // Allocates the storage of one page; a null result counts as the
    // allocation failing (load error 1).
    virtual std::unique_ptr<std::uint8_t[]> AllocatePage();

private:
    std::string record_;        // the record line being read
    std::size_t position_ = 0;  // where NextByte reads in record_
    unsigned sum_ = 0;          // of the bytes read from record_

    std::unique_ptr<std::unique_ptr<std::uint8_t[]>[]> pages_;
    std::int32_t pageSize_;
    std::int32_t pageShift_;
    std::int32_t lowestPage_ = kMaxPages;
    std::int32_t highestPage_ = -1;
    std::int32_t lowestAddress_ = 0;
    std::int32_t highestAddress_ = 0;
};
