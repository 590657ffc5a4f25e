#include "fuzz_entries.h"

#include "whole_file_jpeg.h"

#include "imageinfo/exif_orientation.h"
#include "imageinfo/image_info.h"
#include "imageinfo/tga_loader.h"

#include "startup/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace veldrin::fuzz {

const QString& scratchPath() {
    static const QString path = [] {
        // Memory-backed when possible: rewriting a file in place on ext4 flushes it on every input.
        const QString folder = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                                  : QDir::tempPath();
        QString p = folder + QStringLiteral("/veldrin-fuzz-%1.bin").arg(::getpid());
        static const QByteArray encoded = QFile::encodeName(p);
        std::atexit([] { ::unlink(encoded.constData()); });
        return p;
    }();
    return path;
}

bool writeScratch(const std::uint8_t* data, std::size_t size) {
    const QByteArray path = QFile::encodeName(scratchPath());
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    ::close(fd);
    return done == size;
}

namespace {

struct Outcome {
    ImageInfo info;
    int error = -1;
    bool operator==(const Outcome&) const = default;
};

template <typename Read> Outcome outcomeOf(Read read) {
    try {
        return {read(), -1};
    } catch (const VeldrinError& e) {
        return {{}, int(e.kind())};
    }
}

bool startsWith(const std::uint8_t* data, std::size_t size, std::initializer_list<std::uint8_t> signature) {
    if (size < signature.size())
        return false;
    std::size_t i = 0;
    for (std::uint8_t b : signature) {
        if (data[i++] != b)
            return false;
    }
    return true;
}

// A reader's result must equal what signature detection gives for a file of its format.
bool sameAsDetected(ImageInfo (*reader)(const QString&), bool hasSignature) {
    const Outcome alone = outcomeOf([&] { return reader(scratchPath()); });
    const Outcome detected = outcomeOf([&] { return GetImageInfo(scratchPath(), 0); });
    return hasSignature ? alone == detected : alone.info.ImageKind == 0 && alone.error == -1;
}

bool checkJpeg(const std::uint8_t* data, std::size_t size) {
    const Outcome alone = outcomeOf([&] { return ReadJpegInfo(scratchPath()); });
    const Outcome whole =
        size > 1 ? outcomeOf([&] { return testing::wholeFileJpegInfo(data, size); }) : Outcome{};
    if (alone != whole)
        return false;
    if (!sameAsDetected(ReadJpegInfo, startsWith(data, size, {0xFF, 0xD8})))
        return false;
    const int fromFile = jpegOrientation(scratchPath());
    const int fromBytes = exifOrientation(data, size);
    return fromFile >= 1 && fromFile <= 8 && fromBytes >= 1 && fromBytes <= 8;
}

bool checkTga(std::size_t size) {
    const std::optional<Bitmap> bitmap = LoadTGA(scratchPath());
    if (!bitmap)
        return true;
    const std::uint64_t pixels = std::uint64_t(bitmap->width) * std::uint64_t(bitmap->height);
    // The decoder's allocation bound: 128 pixels a byte of the file, or a picture of at most 1 MiB.
    if (bitmap->isNull() || bitmap->pixels.size() != pixels ||
        (pixels > 128 * std::uint64_t(size) && pixels > (std::uint64_t(1) << 20)))
        return false;
    for (std::uint32_t p : bitmap->pixels) {
        if (p >> 24 != 0xFF)
            return false;
    }
    return true;
}

} // namespace

const char* targetName(Target target) {
    switch (target) {
    case Target::ReadBmp:
        return "read_bmp";
    case Target::ReadGif:
        return "read_gif";
    case Target::ReadJpeg:
        return "read_jpeg";
    case Target::ReadPng:
        return "read_png";
    case Target::LoadTga:
        return "load_tga";
    }
    return "";
}

bool runTarget(Target target, const std::uint8_t* data, std::size_t size) {
    if (!writeScratch(data, size))
        std::abort();
    switch (target) {
    case Target::ReadBmp:
        return sameAsDetected(ReadBmpInfo, startsWith(data, size, {0x42, 0x4D}));
    case Target::ReadGif:
        return sameAsDetected(ReadGifInfo, startsWith(data, size, {0x47, 0x49, 0x46}));
    case Target::ReadPng:
        return sameAsDetected(ReadPngInfo, startsWith(data, size, {0x89, 0x50, 0x4E, 0x47}));
    case Target::ReadJpeg:
        return checkJpeg(data, size);
    case Target::LoadTga:
        return checkTga(size);
    }
    return false;
}

} // namespace veldrin::fuzz
