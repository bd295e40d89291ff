// Fuzz target: an Intel HEX file read into a flash image, as the 21k boards'
// ProgFlash and VerifyFlash read a user's file.
#include "fuzz/FlashImageCheck.h"
#include "fuzz/FuzzScratchFile.h"
#include "monitor/core/HexFlashImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzScratchFile file;
    file.Write(data, size);
    HexFlashImage image;
    CheckLoadedImage(image, image.Load(file.Path()));
    return 0;
}
