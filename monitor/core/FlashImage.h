#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

// In-memory copy of the bytes a program file puts into a target's flash: a
// sparse table of fixed-size pages, each allocated on first use and filled
// with 0xFF, the value of erased flash. A derived class reads its file format
// in Load.
class FlashImage {
public:
    static constexpr std::int32_t kMaxPages = 4000;

    // Load error numbers shared by every file format.
    enum LoadError : std::int32_t {
        LoadOk = 0,
        NoMemory = 1,        // no page table, or a page could not be allocated
        CannotOpen = 3,
        BadRecord = 4,
        MissingEnd = 5,      // the file ended before its end record
        BeyondLastPage = 6,
        BadChecksum = 7,
    };

    explicit FlashImage(std::int32_t pageSize);
    virtual ~FlashImage();
    FlashImage(const FlashImage&) = delete;
    FlashImage& operator=(const FlashImage&) = delete;

    // Fills the image from a file; returns a LoadError number (0 = loaded).
    virtual std::int32_t Load(const std::string& fileName) = 0;

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
    // Lets a file format record where its data starts before any byte is
    // stored (a record without data bytes still names an address).
    void SetLowestAddress(std::int32_t address) { lowestAddress_ = address; }

    // Allocates the storage of one page; a null result counts as the
    // allocation failing (load error 1).
    virtual std::unique_ptr<std::uint8_t[]> AllocatePage();

private:
    std::unique_ptr<std::unique_ptr<std::uint8_t[]>[]> pages_;
    std::int32_t pageSize_;
    std::int32_t pageShift_;
    std::int32_t lowestPage_ = kMaxPages;
    std::int32_t highestPage_ = -1;
    std::int32_t lowestAddress_ = 0;
    std::int32_t highestAddress_ = 0;
};
