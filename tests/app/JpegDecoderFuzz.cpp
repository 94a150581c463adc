// Any bytes as the About picture: a clean failure or a whole picture.
#include <cstdint>
#include <cstdlib>

#include "app/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TRgbPicture pic;
    std::string error;
    if (DecodeJpeg({data, size}, pic, error) && pic.Pixels.size() != size_t(pic.Width) * pic.Height * 3)
        std::abort();
    return 0;
}
