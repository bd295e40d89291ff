// Fuzz target: a Motorola S-record file read into a flash image, as ProgFlash
// and VerifyFlash read a user's file.
#include "fuzz/FlashImageCheck.h"
#include "fuzz/FuzzScratchFile.h"
#include "monitor/core/SRecordImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzScratchFile file;
    file.Write(data, size);
    SRecordImage image;
    CheckLoadedImage(image, image.Load(file.Path()));
    return 0;
}
