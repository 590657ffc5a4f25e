// The EXIF orientation walk: from any APP1 payload it gives 1 to 8, and the walk over a JPEG file that
// carries the payload agrees with the walk over the payload alone.
#include "fuzz_entries.h"

#include "imageinfo/exif_orientation.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrin;
    const int fromBytes = exifOrientation(data, size);
    if (fromBytes < 1 || fromBytes > 8)
        std::abort();
    if (size + 2 > 0xFFFF)
        return 0;
    // SOI, the APP1 segment, then a frame header of a 16 x 16 grey picture.
    std::vector<std::uint8_t> jpeg{
        0xFF, 0xD8, 0xFF, 0xE1, std::uint8_t((size + 2) >> 8), std::uint8_t(size + 2)};
    jpeg.insert(jpeg.end(), data, data + size);
    for (std::uint8_t b :
         {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x10, 0x00, 0x10, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xD9})
        jpeg.push_back(b);
    if (!fuzz::writeScratch(jpeg.data(), jpeg.size()))
        return 0;
    const bool exif = size >= 6 && std::equal(data, data + 6, "Exif\0\0");
    const int fromFile = jpegOrientation(fuzz::scratchPath());
    if (fromFile != (exif ? fromBytes : 1))
        std::abort();
    return 0;
}
