#include "startup/sjis.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace veldrin {
namespace {

bool isAscii(QStringView text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
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
    QStringEncoder encoder("Shift_JIS", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

QString fromShiftJis(QByteArrayView bytes) {
    QStringDecoder decoder("Shift_JIS", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

bool canEncodeShiftJis(QStringView text) {
    if (isAscii(text))
        return true;
    QStringEncoder encoder("Shift_JIS", QStringConverter::Flag::Stateless);
    (void)encoder.encode(text);
    return !encoder.hasError();
}

} // namespace veldrin
