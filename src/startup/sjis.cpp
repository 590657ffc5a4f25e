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

// Opening a converter is far dearer than using one, and pages encode many small texts.
QStringEncoder& encoder() {
    thread_local QStringEncoder e("Shift_JIS", QStringConverter::Flag::Stateless);
    e.resetState();
    return e;
}

QStringDecoder& decoder() {
    thread_local QStringDecoder d("Shift_JIS", QStringConverter::Flag::Stateless);
    d.resetState();
    return d;
}

} // namespace

QByteArray toShiftJis(QStringView text) {
    if (isAscii(text))
        return text.toLatin1();
    if (!canEncodeShiftJis(text)) {
        // Encode piece by piece so that each unmappable character becomes one "?".
        QByteArray out;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype width = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
            const QStringView piece = text.mid(i, width);
            out += canEncodeShiftJis(piece) ? toShiftJis(piece) : QByteArray("?");
            i += width - 1;
        }
        return out;
    }
    return encoder().encode(text);
}

QString fromShiftJis(QByteArrayView bytes) {
    return decoder().decode(bytes);
}

namespace {

// Whether one character of the Basic Multilingual Plane maps to Shift_JIS, worked out once per
// character: a page asks for nearly every character it writes.
bool charEncodable(char16_t c) {
    enum : std::uint8_t { Unknown, Yes, No };
    thread_local std::array<std::uint8_t, 0x10000> known{};
    std::uint8_t& state = known[c];
    if (state == Unknown) {
        // encode() only converts when its result is taken. A converter of its own: an ICU
        // converter keeps its error flag through resetState(), so a shared one cannot tell.
        QStringEncoder e("Shift_JIS", QStringConverter::Flag::Stateless);
        const QChar ch(c);
        const QByteArray encoded = e.encode(QStringView(&ch, 1));
        state = e.hasError() || encoded.isEmpty() ? No : Yes;
    }
    return state == Yes;
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
