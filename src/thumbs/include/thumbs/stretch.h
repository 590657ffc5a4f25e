#pragma once

#include "imageinfo/bitmap.h"

namespace veldrin {

// The stretch modes of the thumbnail settings, numbered as the STRETCHBLT_INIT setting stores them.
enum class StretchMode {
    BlackOnWhite = 1, // AND of the source pixels that meet on one target pixel: dark lines survive
    WhiteOnBlack = 2, // OR of them: light lines survive
    ColorOnColor = 3, // the nearest source pixel
    Halftone = 4,     // the area-weighted average of the source area under each target pixel
};

// Scales the whole of source onto a new width x height picture with the stretch mode numbered mode.
// An unknown number acts as BlackOnWhite, the mode of a fresh drawing surface. An empty source, a
// size below 1 or a picture too large to hold gives an empty Bitmap. Every result pixel is opaque.
Bitmap stretchCopy(const Bitmap& source, int width, int height, int mode);

} // namespace veldrin
