#include "imageinfo/image_info.h"
#include "imageinfo/file_facts.h"

#include "file_access.h"

#include "startup/errors.h"
#include "startup/native_name.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>

namespace veldrin {

namespace {

// One read serves every fixed header (BMP needs 54 bytes) and, for most JPEGs without a large EXIF
// block, the markers up to the frame header as well.
constexpr std::size_t HeadSize = 1024;

struct Head {
    std::array<std::uint8_t, HeadSize> bytes{}; // bytes beyond the end of a short file stay 0
    std::size_t count = 0;
};

Head readHead(const detail::OpenFile& file) {
    Head head;
    head.count = file.readAt(0, head.bytes.data(), head.bytes.size());
    return head;
}

unsigned le16(const std::uint8_t* b) {
    return b[0] | b[1] << 8;
}
std::uint32_t le32(const std::uint8_t* b) {
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}
std::uint32_t be32(const std::uint8_t* b) {
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 |
           std::uint32_t(b[3]);
}

// Header values are unsigned; the record holds signed 32-bit numbers.
std::int32_t toInt32(std::uint32_t value) {
    if (value > 0x7FFFFFFFu)
        throwOverflow();
    return static_cast<std::int32_t>(value);
}

bool isBmp(const std::uint8_t* b) {
    return b[0] == 0x42 && b[1] == 0x4D;
}
bool isGif(const std::uint8_t* b) {
    return b[0] == 0x47 && b[1] == 0x49 && b[2] == 0x46;
}
bool isJpeg(const std::uint8_t* b) {
    return b[0] == 0xFF && b[1] == 0xD8;
}
bool isPng(const std::uint8_t* b) {
    return b[0] == 0x89 && b[1] == 0x50 && b[2] == 0x4E && b[3] == 0x47;
}

ImageInfo parseBmp(const Head& head) {
    const std::uint8_t* b = head.bytes.data();
    if (!isBmp(b))
        return {};
    ImageInfo info;
    info.ImageKind = image_kind::Bmp;
    info.Width = toInt32(le32(b + 18));
    // A top-down bitmap stores its height negated; its size is the absolute value.
    const std::uint32_t height = le32(b + 22);
    info.Height = toInt32(height > 0x7FFFFFFFu ? 0u - height : height);
    info.BitDepth = static_cast<std::int32_t>(le16(b + 28));
    return info;
}

ImageInfo parseGif(const Head& head) {
    const std::uint8_t* b = head.bytes.data();
    if (!isGif(b))
        return {};
    ImageInfo info;
    info.ImageKind = image_kind::Gif;
    info.Width = static_cast<std::int32_t>(le16(b + 6));
    info.Height = static_cast<std::int32_t>(le16(b + 8));
    info.BitDepth = (b[10] & 7) + 1;
    return info;
}

ImageInfo parsePng(const Head& head) {
    const std::uint8_t* b = head.bytes.data();
    if (!isPng(b))
        return {};
    ImageInfo info;
    info.ImageKind = image_kind::Png;
    info.Width = toInt32(be32(b + 16));
    info.Height = toInt32(be32(b + 20));
    switch (b[25]) {
    case 0:
    case 3:
        info.BitDepth = b[24];
        break;
    case 2:
        info.BitDepth = b[24] * 3;
        break;
    default:
        info.BitDepth = 0;
        break;
    }
    return info;
}

// Read segment by segment: a 50 MB photograph must not be read whole to learn its size. Results and
// errors match a scan of the whole file held in memory.
ImageInfo parseJpeg(const detail::OpenFile& file, const Head& head) {
    if (!isJpeg(head.bytes.data()))
        return {};
    detail::FileWindow window(file, head.bytes.data(), head.count);
    const std::int64_t frame =
        detail::findJpegFrame(window, [](std::uint8_t, std::int64_t, int) { return true; });
    if (frame < 0)
        return {};
    // The frame's height and width occupy bytes p+5 to p+8.
    if (frame + 8 > window.length() - 1)
        throwSubscriptOutOfRange();
    const std::uint8_t* b = window.peek(frame + 5, 4);
    ImageInfo info;
    info.ImageKind = image_kind::Jpeg;
    info.Height = b[0] * 256 + b[1];
    info.Width = b[2] * 256 + b[3];
    info.BitDepth = 24;
    return info;
}

// One open and one read serve the signature and the fixed headers; a JPEG goes on from there.
ImageInfo bySignature(const detail::OpenFile& file, const Head& head) {
    const std::uint8_t* b = head.bytes.data();
    if (isBmp(b))
        return parseBmp(head);
    if (isGif(b))
        return parseGif(head);
    if (isJpeg(b))
        return parseJpeg(file, head);
    if (isPng(b))
        return parsePng(head);
    return {};
}

template <ImageInfo (*parse)(const Head&)> ImageInfo readFixedHeader(const QString& fileName) {
    Head head;
    {
        const detail::OpenFile file = detail::openUsableFile(fileName);
        if (!file.isOpen())
            return {};
        head = readHead(file);
    }
    return parse(head);
}

} // namespace

FileFacts readFileFacts(int folderFd, const QString& folder, const QString& fileName, bool header) {
    FileFacts facts;
    const QString path = folder + fileName;
    const QByteArray name = toNativeName(folderFd >= 0 ? fileName : path);
    const int at = folderFd >= 0 ? folderFd : AT_FDCWD;
    const auto keep = [&](const struct stat& st) {
        facts.statusKnown = true;
        facts.size = static_cast<std::int64_t>(st.st_size);
        facts.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    };
    struct stat st {};
    if (!header) {
        if (::fstatat(at, name.constData(), &st, 0) == 0)
            keep(st);
        else
            facts.statusError = errno;
        return facts;
    }
    const int fd = detail::openForReadingAt(at, name);
    if (fd < 0) {
        const int openErrno = errno;
        if (::fstatat(at, name.constData(), &st, 0) != 0) {
            facts.statusError = errno;
            return facts;
        }
        keep(st);
        // Only a file that the folder shows as usable but that refuses to open is an error.
        if (detail::isUsableStatus(st) && !detail::isHiddenName(path))
            facts.infoError = fileError(openErrno, path, false).description();
        return facts;
    }
    detail::OpenFile file(fd, 0);
    if (::fstat(fd, &st) != 0) {
        facts.statusError = errno;
        return facts;
    }
    keep(st);
    if (!detail::isUsableStatus(st) || detail::isHiddenName(path))
        return facts;
    file = detail::OpenFile(file.release(), facts.size);
    try {
        const Head head = readHead(file);
        facts.info = bySignature(file, head);
        if (facts.info.ImageKind == image_kind::Jpeg)
            facts.orientation = detail::jpegOrientationOf(file, head.bytes.data(), head.count);
    } catch (const VeldrinError& e) {
        facts.info = {};
        facts.infoError = e.description();
    } catch (const std::exception& e) {
        facts.info = {};
        facts.infoError = QString::fromLocal8Bit(e.what());
    }
    return facts;
}

bool IsUsableFile(const QString& FileName) {
    if (FileName.isEmpty() || detail::isHiddenName(FileName))
        return false;
    struct stat st;
    return ::stat(toNativeName(FileName).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 1;
}

ImageInfo ReadBmpInfo(const QString& FileName) {
    return readFixedHeader<parseBmp>(FileName);
}

ImageInfo ReadGifInfo(const QString& FileName) {
    return readFixedHeader<parseGif>(FileName);
}

ImageInfo ReadPngInfo(const QString& FileName) {
    return readFixedHeader<parsePng>(FileName);
}

ImageInfo ReadJpegInfo(const QString& FileName) {
    const detail::OpenFile file = detail::openUsableFile(FileName);
    if (!file.isOpen())
        return {};
    return parseJpeg(file, readHead(file));
}

ImageInfo GetImageInfo(const QString& FileName, DetectMode detectMode) {
    switch (detectMode) {
    case 0: {
        const detail::OpenFile file = detail::openUsableFile(FileName);
        if (!file.isOpen())
            return {};
        return bySignature(file, readHead(file));
    }
    case 1:
        return ReadBmpInfo(FileName);
    case 2:
        return ReadGifInfo(FileName);
    case 3:
        return ReadJpegInfo(FileName);
    case 4:
        return ReadPngInfo(FileName);
    case 5: {
        const QString name = FileName.toLower();
        if (name.endsWith(u".bmp"))
            return ReadBmpInfo(FileName);
        if (name.endsWith(u".gif"))
            return ReadGifInfo(FileName);
        if (name.endsWith(u".jpg") || name.endsWith(u".jpeg"))
            return ReadJpegInfo(FileName);
        if (name.endsWith(u".png"))
            return ReadPngInfo(FileName);
        return {};
    }
    default:
        return {};
    }
}

} // namespace veldrin
