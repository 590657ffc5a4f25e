#include "png_decode.h"

#include <png.h>

namespace veldrin::detail {

Bitmap decodePng(const QByteArray& file, std::int64_t maxPixels, QString* error) {
    // The simplified reader keeps libpng's errors and warnings in image.message.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    struct Finisher {
        png_image& image;
        ~Finisher() { png_image_free(&image); }
    } finisher{image};

    if (!png_image_begin_read_from_memory(&image, file.constData(), static_cast<size_t>(file.size()))) {
        *error = QString::fromLatin1(image.message);
        return {};
    }
    if (static_cast<std::int64_t>(image.width) * image.height > maxPixels) {
        *error = QStringLiteral("画像が大きすぎます（%1 x %2）").arg(image.width).arg(image.height);
        return {};
    }
    // 16-bit files without colour information are taken as sRGB, as viewers show them.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    image.format = PNG_FORMAT_BGRA; // in memory, on a little-endian machine, 0xAARRGGBB
    Bitmap picture{static_cast<int>(image.width), static_cast<int>(image.height),
                   std::vector<std::uint32_t>(std::size_t(image.width) * image.height)};
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) {
        *error = QString::fromLatin1(image.message);
        return {};
    }
    return picture;
}

} // namespace veldrin::detail
