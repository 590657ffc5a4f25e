#pragma once

// File names as the file system holds them. Linux names are byte strings; most are UTF-8, but
// archives and shares carry names in other encodings. Each byte that is not part of valid UTF-8 is
// kept as the lone surrogate U+DC00 + byte (as Python's surrogate escape does), so every name that a
// listing returns opens again, and a text shows U+FFFD in its place.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace veldrin {

// The name (or path) for the text world: valid UTF-8 decoded, every other byte escaped.
QString fromNativeName(QByteArrayView bytes);

// The bytes to hand to the file system: the exact inverse of fromNativeName.
QByteArray toNativeName(QStringView name);

// Whether c stands for one undecodable byte of a file name.
inline bool isEscapedByte(QChar c) {
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
}

// The name for people to read: each undecodable byte becomes U+FFFD.
QString displayName(QStringView name);

} // namespace veldrin
