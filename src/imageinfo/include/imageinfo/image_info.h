#pragma once

#include <QString>

#include <cstdint>

namespace veldrin {

// Format codes of ImageInfo::ImageKind.
namespace image_kind {
inline constexpr std::int32_t Unknown = 0; // not recognised, missing or unreadable
inline constexpr std::int32_t Bmp = 1;
inline constexpr std::int32_t Gif = 2;
inline constexpr std::int32_t Jpeg = 3;
inline constexpr std::int32_t Png = 4;
inline constexpr std::int32_t Tga = 6; // set by the display-size computation, never by the readers
} // namespace image_kind

// What a picture's header says about it. A failed reading is all zeros.
struct ImageInfo {
    std::int32_t ImageKind = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t BitDepth = 0;

    bool operator==(const ImageInfo&) const = default;
};

// How GetImageInfo picks a reader: 0 by the file's signature, 1 to 4 the BMP, GIF, JPEG or PNG reader,
// 5 by the lower-cased file name's extension; any other value reads nothing.
using DetectMode = std::int32_t;

// The format and size of a picture file, read from its header alone. A missing, hidden or too short
// file, or an unknown format, gives all zeros. Raises VeldrinError: overflow for a 32-bit header value
// of 2^31 or more (a BMP's negative, top-down height is taken as its absolute value instead),
// subscript out of range for a JPEG frame header cut off by the end of the file, and the file error
// for a file that exists but cannot be opened.
ImageInfo GetImageInfo(const QString& FileName, DetectMode detectMode);

// The single-format readers; each checks the file and its signature itself.
ImageInfo ReadBmpInfo(const QString& FileName);
ImageInfo ReadGifInfo(const QString& FileName);
ImageInfo ReadJpegInfo(const QString& FileName);
ImageInfo ReadPngInfo(const QString& FileName);

// True for a regular file that is not hidden (its name does not begin with ".") and holds more than
// 1 byte.
bool IsUsableFile(const QString& FileName);

} // namespace veldrin
