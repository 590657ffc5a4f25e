#include "startup/sjis.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <cstdint>

namespace veldrin {
namespace {

bool isAscii(QStringView text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

constexpr std::uint16_t kUnknown = 0;
constexpr std::uint16_t kNoCode = 1;
constexpr std::uint16_t kSingleByte = 0x01;

std::uint16_t shiftJisCode(char16_t c);

QStringDecoder& decoder() {
    thread_local QStringDecoder d("Shift_JIS", QStringConverter::Flag::Stateless);
    d.resetState();
    return d;
}

} // namespace

QByteArray toShiftJis(QStringView text) {
    if (isAscii(text))
        return text.toLatin1();
    // Character by character from a table: Shift_JIS has no shift states, so the bytes of a text are
    // those of its characters, and a page encodes many small texts.
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if (text[i].isSurrogate()) {
            // Shift_JIS holds nothing beyond the Basic Multilingual Plane: one "?" for a pair.
            if (text[i].isHighSurrogate() && i + 1 < text.size())
                ++i;
            out += '?';
            continue;
        }
        const std::uint16_t code = shiftJisCode(c);
        if (code == kNoCode)
            out += '?';
        else if (code >> 8 == kSingleByte)
            out += static_cast<char>(code & 0xFF);
        else
            out.append(static_cast<char>(code >> 8)).append(static_cast<char>(code & 0xFF));
    }
    return out;
}

QString fromShiftJis(QByteArrayView bytes) {
    return decoder().decode(bytes);
}

namespace {

// The Shift_JIS code of one character of the Basic Multilingual Plane, worked out once per
// character: a page asks for nearly every character it writes. One byte b is kept as 0x0100 | b (no
// lead byte is 0x01), kNoCode for a character that has none.
std::uint16_t shiftJisCode(char16_t c) {
    thread_local std::array<std::uint16_t, 0x10000> known{};
    std::uint16_t& code = known[c];
    if (code == kUnknown) {
        // encode() only converts when its result is taken. A converter of its own: an ICU
        // converter keeps its error flag through resetState(), so a shared one cannot tell.
        QStringEncoder e("Shift_JIS", QStringConverter::Flag::Stateless);
        const QChar ch(c);
        const QByteArray encoded = e.encode(QStringView(&ch, 1));
        if (e.hasError() || encoded.isEmpty() || encoded.size() > 2)
            code = kNoCode;
        else if (encoded.size() == 1)
            code = static_cast<std::uint16_t>(kSingleByte << 8 | static_cast<std::uint8_t>(encoded[0]));
        else
            code = static_cast<std::uint16_t>(static_cast<std::uint8_t>(encoded[0]) << 8 |
                                              static_cast<std::uint8_t>(encoded[1]));
    }
    return code;
}

bool charEncodable(char16_t c) {
    return shiftJisCode(c) != kNoCode;
}

} // namespace

bool canEncodeShiftJis(QStringView text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            continue;
        // Shift_JIS holds nothing beyond the Basic Multilingual Plane.
        if (c.isSurrogate() || !charEncodable(u))
            return false;
    }
    return true;
}

} // namespace veldrin
