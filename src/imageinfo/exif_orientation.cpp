#include "imageinfo/exif_orientation.h"

#include "file_access.h"

#include <cstring>
#include <vector>

namespace veldrin {

namespace {

struct TiffReader {
    const std::uint8_t* data;
    std::size_t size;
    bool littleEndian;

    // Both read only within [data, data + size); the caller checks offset + width <= size.
    unsigned u16(std::size_t offset) const {
        const std::uint8_t* b = data + offset;
        return littleEndian ? b[0] | b[1] << 8 : b[0] << 8 | b[1];
    }
    std::uint32_t u32(std::size_t offset) const {
        const std::uint8_t* b = data + offset;
        return littleEndian ? std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                                  std::uint32_t(b[3]) << 24
                            : std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 |
                                  std::uint32_t(b[2]) << 8 | std::uint32_t(b[3]);
    }
};

constexpr unsigned OrientationTag = 0x0112;
constexpr unsigned TypeShort = 3;
constexpr std::size_t EntrySize = 12;

} // namespace

int exifOrientation(const std::uint8_t* app1Payload, std::size_t size) {
    static constexpr std::uint8_t exifId[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1Payload == nullptr || size < sizeof exifId + 8 ||
        std::memcmp(app1Payload, exifId, sizeof exifId) != 0)
        return 1;
    TiffReader tiff{app1Payload + sizeof exifId, size - sizeof exifId, true};
    if (tiff.data[0] == 'I' && tiff.data[1] == 'I')
        tiff.littleEndian = true;
    else if (tiff.data[0] == 'M' && tiff.data[1] == 'M')
        tiff.littleEndian = false;
    else
        return 1;
    if (tiff.u16(2) != 42)
        return 1;
    const std::uint32_t ifd0 = tiff.u32(4);
    if (ifd0 > tiff.size || tiff.size - ifd0 < 2)
        return 1;
    const unsigned entryCount = tiff.u16(ifd0);
    const std::size_t entries = std::size_t(ifd0) + 2;
    const std::size_t entriesThatFit = (tiff.size - entries) / EntrySize;
    for (std::size_t i = 0; i < entryCount && i < entriesThatFit; ++i) {
        const std::size_t entry = entries + i * EntrySize;
        if (tiff.u16(entry) != OrientationTag)
            continue;
        // Browsers honour the tag only in its standard form: one SHORT.
        if (tiff.u16(entry + 2) != TypeShort || tiff.u32(entry + 4) != 1)
            return 1;
        const unsigned value = tiff.u16(entry + 8);
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

int jpegOrientation(const QString& fileName) {
    try {
        const detail::OpenFile file = detail::openUsableFile(fileName);
        if (!file.isOpen())
            return 1;
        return detail::jpegOrientationOf(file, nullptr, 0);
    } catch (...) {
        // A picture whose orientation cannot be read is shown as stored.
        return 1;
    }
}

int detail::jpegOrientationOf(const OpenFile& file, const std::uint8_t* head, std::size_t headSize) {
    try {
        detail::FileWindow window(file, head, headSize);
        const std::uint8_t* start = window.peek(0, 2);
        if (start[0] != 0xFF || start[1] != 0xD8)
            return 1;
        int orientation = 1;
        detail::findJpegFrame(window, [&](std::uint8_t marker, std::int64_t p, int segmentLength) {
            if (marker != 0xE1 || segmentLength < 2 + 14)
                return true;
            const std::uint8_t* id = window.peek(p + 4, 6);
            if (std::memcmp(id, "Exif\0\0", 6) != 0)
                return true;
            std::vector<std::uint8_t> payload(std::size_t(segmentLength - 2));
            if (p + 4 + static_cast<std::int64_t>(payload.size()) <= static_cast<std::int64_t>(headSize))
                std::memcpy(payload.data(), head + p + 4, payload.size()); // already read
            else
                payload.resize(file.readAt(p + 4, payload.data(), payload.size()));
            orientation = exifOrientation(payload.data(), payload.size());
            return false;
        });
        return orientation;
    } catch (...) {
        // A picture whose orientation cannot be read is shown as stored.
        return 1;
    }
}

} // namespace veldrin
