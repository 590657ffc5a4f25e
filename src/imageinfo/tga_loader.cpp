#include "imageinfo/tga_loader.h"

#include "file_access.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace veldrin {

// Sequential reading over the open file. Past the end nothing arrives and the caller's bytes stay 0.
class TgaInput {
public:
    explicit TgaInput(const detail::OpenFile& file) : m_file(file) {}

    std::int64_t remaining() const { return std::max<std::int64_t>(0, m_file.length() - m_position); }

    std::size_t read(void* buffer, std::size_t size) {
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::size_t done = 0;
        while (done < size) {
            if (m_next < m_count) {
                const std::size_t n = std::min(size - done, m_count - m_next);
                std::memcpy(out + done, m_buffer.data() + m_next, n);
                m_next += n;
                done += n;
                m_position += static_cast<std::int64_t>(n);
                continue;
            }
            if (size - done >= m_buffer.size()) {
                const std::size_t n = m_file.readAt(m_position, out + done, size - done);
                m_position += static_cast<std::int64_t>(n);
                done += n;
                break;
            }
            m_next = 0;
            m_count = m_file.readAt(m_position, m_buffer.data(), m_buffer.size());
            if (m_count == 0)
                break;
        }
        return done;
    }

    // Reads one byte; false at the end of the file.
    bool readByte(std::uint8_t& byte) {
        if (m_next < m_count) {
            byte = m_buffer[m_next++];
            ++m_position;
            return true;
        }
        return read(&byte, 1) == 1;
    }

    void skip(std::int64_t size) {
        if (size <= 0)
            return;
        const std::int64_t buffered = static_cast<std::int64_t>(m_count - m_next);
        if (size <= buffered) {
            m_next += static_cast<std::size_t>(size);
        } else {
            m_next = m_count = 0;
        }
        m_position += size;
    }

private:
    const detail::OpenFile& m_file;
    std::array<std::uint8_t, 65536> m_buffer{};
    std::size_t m_next = 0;
    std::size_t m_count = 0;
    std::int64_t m_position = 0;
};

namespace {

constexpr std::uint8_t RightToLeft = 0x10;
constexpr std::uint8_t TopDown = 0x20;
constexpr int MaxRunLength = 128;

std::int64_t rowStride(int width, int bytesPerPixel) {
    return (static_cast<std::int64_t>(width) * bytesPerPixel + 3) / 4 * 4;
}

bool validDepth(int depth) {
    return depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

// Whether the rest of the file can plausibly stand for the pixels a header announces. Each byte may
// stand for 128 / (1 + bytesPerPixel) pixels, as in the best run-length packet; small pictures pass
// whatever the length, since their missing pixels cost little. An 18-byte file claiming 32767 x 32767
// is refused before anything is allocated.
bool plausibleSize(int width, int height, int bytesPerPixel, std::int64_t remaining) {
    constexpr std::uint64_t SmallPictureBytes = 1 << 20;
    const std::uint64_t pixelCount = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixelCount * static_cast<std::uint64_t>(bytesPerPixel) <= SmallPictureBytes)
        return true;
    const std::uint64_t rest = static_cast<std::uint64_t>(std::max<std::int64_t>(0, remaining));
    return rest >= std::numeric_limits<std::uint64_t>::max() / MaxRunLength ||
           pixelCount * (1 + static_cast<std::uint64_t>(bytesPerPixel)) <= rest * MaxRunLength;
}

// Sizes the zeroed pixel buffer; false when the sizes are out of range.
bool sizeBuffer(std::vector<std::uint8_t>& pixels, int width, int height, int depth) {
    if (!validDepth(depth) || width < 1 || height < 1)
        return false;
    const std::int64_t stride = rowStride(width, depth / 8);
    if (stride > std::numeric_limits<std::int64_t>::max() / height)
        return false;
    const std::int64_t total = stride * height;
    if (static_cast<std::uint64_t>(total) > pixels.max_size())
        return false;
    pixels.assign(static_cast<std::size_t>(total), 0);
    return true;
}

std::uint8_t expand5(unsigned value) {
    return static_cast<std::uint8_t>(value << 3 | value >> 2);
}

// Turns the rows of the file into the top-down, left-to-right picture that the file describes.
Bitmap toBitmap(const std::vector<std::uint8_t>& pixels, const TgaHeader& header,
                const TgaColourTable& colours) {
    const int width = header.ImageWidth;
    const int height = header.ImageHeight;
    const int bytesPerPixel = header.PixelDepth / 8;
    const std::int64_t stride = rowStride(width, bytesPerPixel);
    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const bool topDown = header.Descriptor & TopDown;
    const bool rightToLeft = header.Descriptor & RightToLeft;
    for (int r = 0; r < height; ++r) {
        const std::uint8_t* src = pixels.data() + r * stride;
        std::uint32_t* dst = bitmap.row(topDown ? r : height - 1 - r);
        for (int c = 0; c < width; ++c, src += bytesPerPixel) {
            std::uint32_t rgb = 0;
            switch (bytesPerPixel) {
            case 1:
                rgb = colours[*src] & 0xFFFFFFu;
                break;
            case 2: {
                const unsigned v = src[0] | src[1] << 8;
                rgb = std::uint32_t(expand5(v >> 10 & 31)) << 16 | std::uint32_t(expand5(v >> 5 & 31)) << 8 |
                      expand5(v & 31);
                break;
            }
            default: // 24 and 32 bits: blue, green, red (alpha ignored)
                rgb = std::uint32_t(src[2]) << 16 | std::uint32_t(src[1]) << 8 | src[0];
                break;
            }
            dst[rightToLeft ? width - 1 - c : c] = 0xFF000000u | rgb;
        }
    }
    return bitmap;
}

// Colour map bytes that no step reads: entries beyond 256, or a map in a true-colour or grey file.
std::int64_t colourMapBytes(const TgaHeader& header, int entriesRead) {
    const int entries = std::max<int>(0, header.ColMapLen) - entriesRead;
    return entries > 0 ? static_cast<std::int64_t>(entries) * ((header.ColMapEnt + 7) / 8) : 0;
}

} // namespace

TgaHeader TgaHeader::fromBytes(const std::uint8_t (&b)[Size]) {
    auto u16 = [&](int at) { return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8); };
    TgaHeader h;
    h.IDField = b[0];
    h.ColorMap = b[1];
    h.ImageType = b[2];
    h.ColMapOri = u16(3);
    h.ColMapLen = static_cast<std::int16_t>(u16(5));
    h.ColMapEnt = b[7];
    h.XOrigin = u16(8);
    h.YOrigin = u16(10);
    h.ImageWidth = static_cast<std::int16_t>(u16(12));
    h.ImageHeight = static_cast<std::int16_t>(u16(14));
    h.PixelDepth = b[16];
    h.Descriptor = b[17];
    return h;
}

bool CheckHeader(const TgaHeader& header) {
    switch (header.ImageType) {
    case 1:
    case 2:
    case 3:
    case 9:
    case 10:
    case 11:
        break;
    default:
        return false;
    }
    if (header.ImageWidth < 1 || header.ImageHeight < 1 || !validDepth(header.PixelDepth))
        return false;
    if (header.ColorMap != 0 && (header.PixelDepth != 8 || header.ColMapLen == 0))
        return false;
    return true;
}

bool LoadPalette(TgaInput& file, const TgaHeader& header, TgaColourTable& colours) {
    if (header.ColMapLen < 0)
        return false;
    const int count = std::min<int>(header.ColMapLen, 256);
    const int entryBytes = header.ColMapEnt == 24 ? 3 : header.ColMapEnt == 32 ? 4 : 0;
    if (entryBytes == 0)
        return false;
    std::array<std::uint8_t, 256 * 4> map{};
    file.read(map.data(), static_cast<std::size_t>(count) * entryBytes);
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = map.data() + i * entryBytes;
        colours[i] = std::uint32_t(e[0]) | std::uint32_t(e[1]) << 8 | std::uint32_t(e[2]) << 16 |
                     (entryBytes == 4 ? std::uint32_t(e[3]) << 24 : 0u);
    }
    file.skip(colourMapBytes(header, count));
    return true;
}

void SetGrayPalette(TgaColourTable& colours) {
    for (std::uint32_t i = 0; i < colours.size(); ++i)
        colours[i] = i | i << 8 | i << 16;
}

bool LoadImage(std::vector<std::uint8_t>& pixels, TgaInput& file, int width, int height, int depth) {
    if (!validDepth(depth) || width < 1 || height < 1)
        return false;
    const int bytesPerPixel = depth / 8;
    if (!plausibleSize(width, height, bytesPerPixel, file.remaining()))
        return false;
    if (!sizeBuffer(pixels, width, height, depth))
        return false;
    // A file cut short leaves the rows and pixels it does not reach at 0, black.
    const std::int64_t rowBytes = static_cast<std::int64_t>(width) * bytesPerPixel;
    const std::int64_t stride = rowStride(width, bytesPerPixel);
    if (stride == rowBytes) {
        file.read(pixels.data(), pixels.size());
        return true;
    }
    for (int r = 0; r < height; ++r) {
        if (file.read(pixels.data() + r * stride, static_cast<std::size_t>(rowBytes)) !=
            std::size_t(rowBytes))
            break;
    }
    return true;
}

bool LoadImage_RLE(std::vector<std::uint8_t>& pixels, TgaInput& file, int width, int height, int depth) {
    if (!validDepth(depth) || width < 1 || height < 1)
        return false;
    const int bytesPerPixel = depth / 8;
    if (!plausibleSize(width, height, bytesPerPixel, file.remaining()))
        return false;
    if (!sizeBuffer(pixels, width, height, depth))
        return false;
    const std::size_t stride = static_cast<std::size_t>(rowStride(width, bytesPerPixel));
    int x = 0;
    int y = 0;
    std::uint8_t pixel[4];
    std::uint8_t* rowStart = pixels.data();
    auto put = [&](const std::uint8_t* value) {
        std::memcpy(rowStart + static_cast<std::size_t>(x) * bytesPerPixel, value, bytesPerPixel);
        if (++x == width) {
            x = 0;
            ++y;
            rowStart += stride;
        }
    };
    // A truncated file leaves the pixels it does not reach at 0.
    std::uint8_t packet;
    while (y < height && file.readByte(packet)) {
        int count = (packet & 0x7F) + 1;
        if (packet & 0x80) {
            std::memset(pixel, 0, sizeof pixel);
            file.read(pixel, bytesPerPixel);
            while (count-- > 0 && y < height)
                put(pixel);
        } else {
            while (count-- > 0 && y < height) {
                std::memset(pixel, 0, sizeof pixel);
                file.read(pixel, bytesPerPixel);
                put(pixel);
            }
        }
    }
    return true;
}

std::optional<Bitmap> LoadTGA(const QString& fileName) {
    try {
        const detail::OpenFile opened = detail::openRegularFile(fileName);
        if (!opened.isOpen())
            return std::nullopt;
        TgaInput file(opened);
        std::uint8_t raw[TgaHeader::Size];
        if (file.read(raw, sizeof raw) != sizeof raw)
            return std::nullopt;
        const TgaHeader header = TgaHeader::fromBytes(raw);
        if (!CheckHeader(header))
            return std::nullopt;
        file.skip(header.IDField);

        TgaColourTable colours{};
        switch (header.ImageType) {
        case 1:
        case 9:
            if (header.ColorMap == 0 || header.PixelDepth != 8 || !LoadPalette(file, header, colours))
                return std::nullopt;
            break;
        case 3:
        case 11:
            if (header.ColorMap == 1 || header.PixelDepth != 8)
                return std::nullopt;
            SetGrayPalette(colours);
            [[fallthrough]];
        default:
            // A colour map that no pixel refers to still sits between the header and the pixels.
            if (header.ColorMap != 0)
                file.skip(colourMapBytes(header, 0));
            break;
        }

        std::vector<std::uint8_t> pixels;
        const bool loaded =
            header.ImageType < 9
                ? LoadImage(pixels, file, header.ImageWidth, header.ImageHeight, header.PixelDepth)
                : LoadImage_RLE(pixels, file, header.ImageWidth, header.ImageHeight, header.PixelDepth);
        if (!loaded)
            return std::nullopt;
        return toBitmap(pixels, header, colours);
    } catch (...) {
        // Out of memory or any other failure: the load failed and leaves nothing behind.
        return std::nullopt;
    }
}

} // namespace veldrin
