#include "thumbs/picture_loader.h"

#include "png_decode.h"

#include "imageinfo/exif_orientation.h"
#include "imageinfo/tga_loader.h"
#include "startup/errors.h"
#include "startup/native_name.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace veldrin {
namespace {

// A decoded picture of this many pixels takes 800 MB; anything claiming more is refused before any
// pixel memory is taken.
constexpr std::int64_t kMaxPixels = 200'000'000;
// No picture file we can decode that far is larger than this.
constexpr std::int64_t kMaxFileBytes = std::int64_t(1) << 30;

[[noreturn]] void fail(const QString& text) {
    throw VeldrinError(ErrorKind::Other, text);
}

QString shown(const QString& path) {
    return displayName(path);
}

// The whole file in one buffer: the JPEG decoder wants it so, and the other decoders read from it.
QByteArray readWholeFile(const QString& path) {
    const QByteArray native = toNativeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw fileError(errno, shown(path), false);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw fileError(errno, shown(path), false);
    if (!S_ISREG(info.st_mode))
        fail(QStringLiteral("画像ファイルではありません（%1）").arg(shown(path)));
    if (info.st_size == 0)
        fail(QStringLiteral("画像ファイルが空です（%1）").arg(shown(path)));
    if (info.st_size > kMaxFileBytes)
        fail(QStringLiteral("画像ファイルが大きすぎます（%1）").arg(shown(path)));

    QByteArray data(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::read(fd, data.data() + done, static_cast<std::size_t>(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw fileError(errno, shown(path), false);
        if (n == 0)
            break; // the file shrank while we read it: decode what is there
        done += n;
    }
    data.truncate(done);
    if (data.isEmpty())
        fail(QStringLiteral("画像ファイルが空です（%1）").arg(shown(path)));
    return data;
}

// Turns the stored picture so that it shows as EXIF orientation o asks.
Bitmap orient(Bitmap stored, int o) {
    const int w = stored.width;
    const int h = stored.height;
    switch (o) {
    case 2:
        for (int y = 0; y < h; ++y)
            std::reverse(stored.row(y), stored.row(y) + w);
        return stored;
    case 3:
        std::reverse(stored.pixels.begin(), stored.pixels.end());
        return stored;
    case 4:
        for (int y = 0; y < h / 2; ++y)
            std::swap_ranges(stored.row(y), stored.row(y) + w, stored.row(h - 1 - y));
        return stored;
    case 5:
    case 6:
    case 7:
    case 8:
        break;
    default:
        return stored;
    }
    // The sides exchange: shown pixel (x, y) comes from stored column sx of row sy.
    Bitmap shownPicture{h, w, std::vector<std::uint32_t>(stored.pixels.size())};
    for (int y = 0; y < w; ++y) {
        std::uint32_t* out = shownPicture.row(y);
        for (int x = 0; x < h; ++x) {
            int sx = 0, sy = 0;
            switch (o) {
            case 5: // transposed
                sx = y, sy = x;
                break;
            case 6: // turned a quarter clockwise
                sx = y, sy = h - 1 - x;
                break;
            case 7: // transposed across the other diagonal
                sx = w - 1 - y, sy = h - 1 - x;
                break;
            default: // 8, turned a quarter counter-clockwise
                sx = w - 1 - y, sy = x;
                break;
            }
            out[x] = stored.at(sx, sy);
        }
    }
    return shownPicture;
}

struct Decompressor {
    tjhandle handle = tjInitDecompress();
    ~Decompressor() {
        if (handle)
            tjDestroy(handle);
    }
    [[noreturn]] void fail(const QString& path) const {
        veldrin::fail(QStringLiteral("JPEG を読み込めません: %1（%2）")
                          .arg(QString::fromLocal8Bit(tjGetErrorStr2(handle)), shown(path)));
    }
};

void checkArea(std::int64_t width, std::int64_t height) {
    if (width * height > kMaxPixels)
        fail(QStringLiteral("画像が大きすぎます（%1 x %2）").arg(width).arg(height));
}

Bitmap decodeJpeg(const QByteArray& file, const QString& path, int coverWidth, int coverHeight) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.constData());
    const auto size = static_cast<unsigned long>(file.size());
    Decompressor d;
    if (!d.handle)
        fail(QStringLiteral("JPEG デコーダを用意できません"));
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(d.handle, data, size, &width, &height, &subsampling, &colourspace) != 0)
        d.fail(path);
    // The same walk that measured the picture finds its turn, so page and thumbnail agree.
    const int orientation = jpegOrientation(path);

    // Shrink on load: the DCT delivers 1/8, 1/4 and 1/2 scale almost for free.
    tjscalingfactor scale{1, 1};
    if (coverWidth > 0 || coverHeight > 0) {
        const bool exchanged = orientation >= 5;
        for (const tjscalingfactor f : {tjscalingfactor{1, 8}, {1, 4}, {1, 2}}) {
            const int w = TJSCALED(width, f);
            const int h = TJSCALED(height, f);
            if ((exchanged ? h : w) >= coverWidth && (exchanged ? w : h) >= coverHeight) {
                scale = f;
                break;
            }
        }
    }
    const int w = TJSCALED(width, scale);
    const int h = TJSCALED(height, scale);
    checkArea(w, h);

    Bitmap picture{w, h, std::vector<std::uint32_t>(std::size_t(w) * std::size_t(h))};
    auto* out = reinterpret_cast<unsigned char*>(picture.pixels.data());
    const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    // A picture cut short still decodes; the decoder only warns, and the missing part stays grey.
    if (tjDecompress2(d.handle, data, size, out, w, w * 4, h, cmyk ? TJPF_CMYK : TJPF_BGRA, 0) != 0 &&
        tjGetErrorCode(d.handle) != TJERR_WARNING)
        d.fail(path);
    if (cmyk) {
        // Adobe's CMYK JPEGs store the inks inverted, so each channel is the ink's complement times K.
        for (std::uint32_t& p : picture.pixels) {
            const std::uint32_t c = p & 0xFF, m = (p >> 8) & 0xFF, y = (p >> 16) & 0xFF, k = p >> 24;
            p = 0xFF000000u | ((c * k + 127) / 255) << 16 | ((m * k + 127) / 255) << 8 |
                ((y * k + 127) / 255);
        }
    }
    return orient(std::move(picture), orientation);
}

// Straight alpha laid over white, rounded to the nearest value.
std::uint32_t overWhite(std::uint32_t p) {
    const std::uint32_t a = p >> 24;
    if (a == 0xFF)
        return p;
    auto channel = [a](std::uint32_t c) { return (c * a + 255 * (255 - a) + 127) / 255; };
    return 0xFF000000u | channel((p >> 16) & 0xFF) << 16 | channel((p >> 8) & 0xFF) << 8 | channel(p & 0xFF);
}

Bitmap decodeWithQt(QByteArray file, const QString& path) {
    static std::once_flag limitSet;
    std::call_once(limitSet, [] {
        // Qt's own guard stops far below the pictures we accept; ours is checked before each read.
        QImageReader::setAllocationLimit(int(kMaxPixels * 4 / (1024 * 1024)) + 1);
    });
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize announced = reader.size();
    if (announced.isValid())
        checkArea(announced.width(), announced.height());
    QImage image = reader.read();
    if (image.isNull())
        fail(QStringLiteral("画像を読み込めません: %1（%2）").arg(reader.errorString(), shown(path)));
    checkArea(image.width(), image.height());

    const bool alpha = image.hasAlphaChannel();
    image.convertTo(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    Bitmap picture{image.width(), image.height(),
                   std::vector<std::uint32_t>(std::size_t(image.width()) * std::size_t(image.height()))};
    for (int y = 0; y < picture.height; ++y) {
        const auto* in = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        std::uint32_t* out = picture.row(y);
        if (alpha)
            std::transform(in, in + picture.width, out, overWhite);
        else
            std::copy(in, in + picture.width, out);
    }
    return picture;
}

} // namespace

Bitmap loadPicture(const QString& path, int coverWidth, int coverHeight) {
    if (path.endsWith(QLatin1String(".tga"), Qt::CaseInsensitive)) {
        std::optional<Bitmap> picture = LoadTGA(path);
        if (!picture) {
            struct stat info {};
            if (::stat(toNativeName(path).constData(), &info) != 0)
                throw fileError(ENOENT, path, false);
            fail(QStringLiteral("TGA ファイルを読み込めません（%1）").arg(shown(path)));
        }
        return std::move(*picture);
    }
    QByteArray file = readWholeFile(path);
    if (file.size() >= 2 && std::uint8_t(file[0]) == 0xFF && std::uint8_t(file[1]) == 0xD8)
        return decodeJpeg(file, path, coverWidth, coverHeight);
    if (file.startsWith("\x89PNG\r\n\x1a\n")) {
        QString error;
        Bitmap picture = detail::decodePng(file, kMaxPixels, &error);
        if (picture.isNull())
            fail(QStringLiteral("画像を読み込めません: %1（%2）").arg(error, shown(path)));
        std::transform(picture.pixels.begin(), picture.pixels.end(), picture.pixels.begin(), overWhite);
        return picture;
    }
    return decodeWithQt(std::move(file), path);
}

} // namespace veldrin
