#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace veldrin {

// The EXIF orientation (1 to 8) stored in IFD0 tag 0x0112 of a JPEG APP1 segment. app1Payload points
// at the bytes after the segment's 2-byte length field, which begin with "Exif\0\0"; both byte
// orders are read. Anything absent, malformed or out of range gives 1 (upright). Never reads outside
// [app1Payload, app1Payload + size).
int exifOrientation(const std::uint8_t* app1Payload, std::size_t size);

// The EXIF orientation of a JPEG file, from the first EXIF APP1 segment met before the frame header;
// 1 when there is none or the file cannot be read. Orientations 5 to 8 mean that a browser shows the
// picture with width and height exchanged.
int jpegOrientation(const QString& fileName);

} // namespace veldrin
