#pragma once

#include "imageinfo/bitmap.h"

#include <QString>

namespace veldrin {

// Decodes a picture file into an upright, opaque Bitmap, the way a browser shows it: EXIF
// orientations are applied, and transparent pixels are laid over white (the catalogue's default page
// colour; a JPEG thumbnail has no transparency of its own).
//
// JPEG files are recognised by their content (FF D8), TGA files by a name ending in ".tga" (any
// case), and everything else goes to the platform decoders (GIF, BMP, PNG, ...). When coverWidth and
// coverHeight are positive, a JPEG is decoded at the smallest of the scales 1/8, 1/4, 1/2 and 1 whose
// result, as shown, is at least coverWidth x coverHeight; a thumbnail needs no more. A JPEG cut short
// gives the part that arrived, as a browser shows it.
//
// Throws VeldrinError with a short description when the file cannot be read or decoded, or when the
// picture would exceed 200 million pixels.
Bitmap loadPicture(const QString& path, int coverWidth = 0, int coverHeight = 0);

} // namespace veldrin
