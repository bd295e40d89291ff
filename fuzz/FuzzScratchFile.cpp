#include "fuzz/FuzzScratchFile.h"

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const char* what)
{
    std::perror(what);
    std::abort();
}

}  // namespace

FuzzScratchFile::FuzzScratchFile() : fd_(memfd_create("varnix-fuzz", 0))
{
    if (fd_ < 0)
        Fail("varnix fuzz: cannot make a memory file");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

FuzzScratchFile::~FuzzScratchFile()
{
    close(fd_);
}

void FuzzScratchFile::Write(const std::uint8_t* data, std::size_t size)
{
    if (ftruncate(fd_, 0) != 0)
        Fail("varnix fuzz: cannot empty the memory file");
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
        if (written <= 0)
            Fail("varnix fuzz: cannot write the memory file");
        done += static_cast<std::size_t>(written);
    }
}
