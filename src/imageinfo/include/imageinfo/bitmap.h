#pragma once

#include <cstdint>
#include <vector>

namespace veldrin {

// An in-memory 32-bit picture, the stand-in for the program's picture boxes. Rows run from the top
// row down; each pixel is 0xAARRGGBB (bytes blue, green, red, alpha in memory), the layout of a
// 32-bit device-independent bitmap. Alpha is 0xFF for every decoded pixel.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    bool isNull() const { return width <= 0 || height <= 0; }
    int stride() const { return width * 4; } // bytes per row
    std::uint32_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
    const std::uint32_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width; }
    std::uint32_t& at(int x, int y) { return row(y)[x]; }
    std::uint32_t at(int x, int y) const { return row(y)[x]; }
};

} // namespace veldrin
