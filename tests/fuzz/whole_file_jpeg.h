#pragma once

#include "imageinfo/image_info.h"

#include "startup/errors.h"

#include <cstddef>
#include <cstdint>

namespace veldrin::testing {

// The JPEG frame search over the whole file held in memory: the behaviour that the segment-by-segment
// reader keeps, down to its subscript error for an index past the last byte.
inline ImageInfo wholeFileJpegInfo(const std::uint8_t* data, std::size_t size) {
    const std::int64_t length = static_cast<std::int64_t>(size);
    auto at = [&](std::int64_t i) {
        if (i >= length)
            throwSubscriptOutOfRange();
        return data[i];
    };
    if (at(0) != 0xFF || at(1) != 0xD8)
        return {};
    for (std::int64_t p = 2; p < length - 4; p += at(p + 2) * 256 + at(p + 3) + 2) {
        if (at(p) != 0xFF)
            return {};
        const int m = at(p + 1);
        if ((m >= 0xC0 && m <= 0xC3) || (m >= 0xC9 && m <= 0xCB)) {
            const int height = at(p + 5) * 256 + at(p + 6);
            const int width = at(p + 7) * 256 + at(p + 8);
            return {3, width, height, 24};
        }
    }
    return {};
}

} // namespace veldrin::testing
