#include "startup/native_name.h"

namespace veldrin {
namespace {

// The length of the valid UTF-8 sequence at bytes[i], or 0 when the byte there starts none.
// Overlong forms, surrogates and code points above U+10FFFF are not valid.
int validSequenceLength(QByteArrayView bytes, qsizetype i) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char b0 = at(i);
    const qsizetype left = bytes.size() - i;
    const auto continuation = [&](qsizetype k) { return k < bytes.size() && (at(k) & 0xC0) == 0x80; };
    if (b0 < 0x80)
        return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        return continuation(i + 1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (left < 3 || !continuation(i + 1) || !continuation(i + 2))
            return 0;
        const unsigned char b1 = at(i + 1);
        if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 >= 0xA0))
            return 0;
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (left < 4 || !continuation(i + 1) || !continuation(i + 2) || !continuation(i + 3))
            return 0;
        const unsigned char b1 = at(i + 1);
        if ((b0 == 0xF0 && b1 < 0x90) || (b0 == 0xF4 && b1 >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

} // namespace

QString fromNativeName(QByteArrayView bytes) {
    // Nearly every name is plain ASCII or valid UTF-8: hand those over without building anything.
    qsizetype i = 0;
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80)
        ++i;
    if (i == bytes.size())
        return QString::fromLatin1(bytes);
    while (i < bytes.size()) {
        const int n = validSequenceLength(bytes, i);
        if (n == 0)
            break;
        i += n;
    }
    if (i == bytes.size())
        return QString::fromUtf8(bytes);

    QString out = QString::fromUtf8(bytes.first(i));
    qsizetype runStart = i;
    while (i < bytes.size()) {
        const int n = validSequenceLength(bytes, i);
        if (n > 0) {
            i += n;
            continue;
        }
        out += QString::fromUtf8(bytes.sliced(runStart, i - runStart));
        out += QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i])));
        ++i;
        runStart = i;
    }
    out += QString::fromUtf8(bytes.sliced(runStart));
    return out;
}

QByteArray toNativeName(QStringView name) {
    QByteArray out;
    out.reserve(name.size() * 3);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isEscapedByte(name[i]))
            continue;
        // A lone escape stands for its byte; one paired with a high surrogate before it cannot
        // come from fromNativeName and is left to the UTF-8 encoder.
        if (i > 0 && name[i - 1].isHighSurrogate())
            continue;
        out += name.sliced(runStart, i - runStart).toUtf8();
        out += static_cast<char>(name[i].unicode() - 0xDC00);
        runStart = i + 1;
    }
    out += name.sliced(runStart).toUtf8();
    return out;
}

QString displayName(QStringView name) {
    QString out = name.toString();
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (isEscapedByte(out[i]) && !(i > 0 && out[i - 1].isHighSurrogate()))
            out[i] = QChar(0xFFFD);
    }
    return out;
}

} // namespace veldrin
