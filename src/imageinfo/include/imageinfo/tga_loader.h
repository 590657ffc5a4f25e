#pragma once

#include "imageinfo/bitmap.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace veldrin {

// The 18-byte header at the start of a Truevision TGA file (little-endian, packed).
struct TgaHeader {
    std::uint8_t IDField = 0;    // length of the image ID that follows the header
    std::uint8_t ColorMap = 0;   // colour map type, 0 = none
    std::uint8_t ImageType = 0;  // 1 colour-mapped, 2 true-colour, 3 grey; 9, 10, 11 run-length encoded
    std::uint16_t ColMapOri = 0; // first colour map index (not used)
    std::int16_t ColMapLen = 0;  // number of colour map entries
    std::uint8_t ColMapEnt = 0;  // bits per colour map entry
    std::uint16_t XOrigin = 0;
    std::uint16_t YOrigin = 0;
    std::int16_t ImageWidth = 0;
    std::int16_t ImageHeight = 0;
    std::uint8_t PixelDepth = 0; // bits per pixel
    std::uint8_t Descriptor = 0; // 0x10: right-to-left pixels; 0x20: rows from the top down

    static constexpr std::size_t Size = 18;
    static TgaHeader fromBytes(const std::uint8_t (&bytes)[Size]);
};

// The 256-entry colour table of 8-bit pictures, each entry blue, green, red, reserved in memory order
// (0xRRGGBB in the low 24 bits).
using TgaColourTable = std::array<std::uint32_t, 256>;

// The open TGA file, read front to back by the steps below; bytes past its end read as 0.
class TgaInput;

// Decodes a TGA file (types 1, 2, 3 and their run-length forms 9, 10, 11; 8, 16, 24 or 32 bits per
// pixel) into an upright, left-to-right picture with opaque pixels. Pixels past the end of a file cut
// short are black. Nothing when the file is missing, rejected, or too short to plausibly stand for
// the pixels its header announces. Never throws.
std::optional<Bitmap> LoadTGA(const QString& fileName);

// The decoding steps of LoadTGA.
bool CheckHeader(const TgaHeader& header);
// Reads the colour map (24- or 32-bit entries) into the table, at most 256 entries from index 0, and
// skips the entries beyond 256.
bool LoadPalette(TgaInput& file, const TgaHeader& header, TgaColourTable& colours);
void SetGrayPalette(TgaColourTable& colours);
// Fill pixels with height rows of width * depth / 8 bytes in file order, each row padded to a multiple
// of 4 bytes. Both refuse sizes the rest of the file cannot plausibly supply.
bool LoadImage(std::vector<std::uint8_t>& pixels, TgaInput& file, int width, int height, int depth);
bool LoadImage_RLE(std::vector<std::uint8_t>& pixels, TgaInput& file, int width, int height, int depth);

} // namespace veldrin
