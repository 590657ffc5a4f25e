#pragma once

// Picture files built byte by byte, for the image information tests and the fuzz seeds.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <initializer_list>

namespace veldrin::testing {

inline void appendLE(QByteArray& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char(value >> (8 * i) & 0xFF));
}

inline void appendBE(QByteArray& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char(value >> (8 * i) & 0xFF));
}

// File header and 40-byte information header; height is stored as given (two's complement for
// top-down bitmaps).
inline QByteArray bmpHeader(std::uint32_t width, std::uint32_t height, int bitCount) {
    QByteArray b("BM");
    appendLE(b, 54, 4);
    appendLE(b, 0, 4);
    appendLE(b, 54, 4);
    appendLE(b, 40, 4);
    appendLE(b, width, 4);
    appendLE(b, height, 4);
    appendLE(b, 1, 2);
    appendLE(b, std::uint32_t(bitCount), 2);
    return b.leftJustified(54, '\0');
}

inline QByteArray gifHeader(int width, int height, int packed) {
    QByteArray b("GIF89a");
    appendLE(b, std::uint32_t(width), 2);
    appendLE(b, std::uint32_t(height), 2);
    b.append(char(packed)).append(2, '\0');
    return b;
}

inline QByteArray pngHeader(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType) {
    QByteArray b("\x89PNG\r\n\x1a\n", 8);
    appendBE(b, 13, 4);
    b.append("IHDR");
    appendBE(b, width, 4);
    appendBE(b, height, 4);
    b.append(char(bitDepth)).append(char(colourType)).append(3, '\0');
    appendBE(b, 0, 4); // CRC, never checked
    return b;
}

// A marker segment whose length field counts itself and the payload.
inline QByteArray jpegSegment(int marker, const QByteArray& payload) {
    QByteArray b;
    b.append(char(0xFF)).append(char(marker));
    appendBE(b, std::uint32_t(payload.size() + 2), 2);
    return b + payload;
}

inline QByteArray jpegFrame(int marker, int width, int height) {
    QByteArray payload(1, 8);
    appendBE(payload, std::uint32_t(height), 2);
    appendBE(payload, std::uint32_t(width), 2);
    payload.append(char(3));
    for (int c = 1; c <= 3; ++c)
        payload.append(char(c)).append(char(0x11)).append(char(0));
    return jpegSegment(marker, payload);
}

inline QByteArray jpegFile(std::initializer_list<QByteArray> segments) {
    QByteArray b("\xFF\xD8", 2);
    for (const QByteArray& s : segments)
        b += s;
    return b + QByteArray("\xFF\xD9", 2);
}

// An APP1 payload ("Exif\0\0" and a TIFF block) whose IFD0 holds a filler tag and the orientation
// tag with the given type, count and value.
inline QByteArray exifPayload(bool littleEndian, int orientation, int type = 3, int count = 1) {
    auto put = [&](QByteArray& b, std::uint32_t v, int n) {
        littleEndian ? appendLE(b, v, n) : appendBE(b, v, n);
    };
    QByteArray b("Exif\0\0", 6);
    b.append(littleEndian ? "II" : "MM");
    put(b, 42, 2);
    put(b, 8, 4);
    put(b, 2, 2);
    for (std::uint32_t tag : {0x010Fu, 0x0112u}) {
        put(b, tag, 2);
        put(b, tag == 0x0112u ? std::uint32_t(type) : 2u, 2);
        put(b, tag == 0x0112u ? std::uint32_t(count) : 4u, 4);
        put(b, tag == 0x0112u ? std::uint32_t(orientation) : 0u, 2);
        put(b, 0, 2);
    }
    put(b, 0, 4);
    return b;
}

inline QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

} // namespace veldrin::testing
