#pragma once

#include "imageinfo/bitmap.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace veldrin::detail {

// Decodes a PNG file held in memory into straight-alpha ARGB pixels. libpng's messages come back in
// error (a null bitmap on failure) instead of reaching standard error. Pictures of more than
// maxPixels fail before their pixels are allocated.
Bitmap decodePng(const QByteArray& file, std::int64_t maxPixels, QString* error);

} // namespace veldrin::detail
