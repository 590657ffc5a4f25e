#include "htmlgen/html_escape.h"

#include "startup/native_name.h"
#include "startup/sjis.h"

#include <QList>

namespace veldrin {
namespace {

QString characterReference(char32_t codePoint) {
    return QStringLiteral("&#") + QString::number(codePoint) + u';';
}

// A file name's undecodable bytes go into the URL as themselves, so the browser asks for the real file.
QString percentEncoded(QStringView piece) {
    QString out;
    for (const char byte : toNativeName(piece))
        out += u'%' + QString::number(static_cast<unsigned char>(byte), 16).toUpper().rightJustified(2, u'0');
    return out;
}

// Walks the text code point by code point: ASCII goes through escapeAscii (which returns the
// replacement or an empty text to keep the character), other characters are kept when Shift_JIS
// holds them and handed to escapeOther when it does not.
template <typename Ascii, typename Other>
QString transform(QStringView text, Ascii escapeAscii, Other escapeOther) {
    // Most names need nothing: hand them back without building a new text.
    if (canEncodeShiftJis(text)) {
        bool clean = true;
        for (QChar c : text) {
            if (c.unicode() < 0x80 && !escapeAscii(c.unicode()).isEmpty()) {
                clean = false;
                break;
            }
        }
        if (clean)
            return text.toString();
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {
            const QString replacement = escapeAscii(c.unicode());
            if (replacement.isEmpty())
                out += c;
            else
                out += replacement;
            continue;
        }
        const qsizetype width =
            (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        const QStringView piece = text.mid(i, width);
        if (canEncodeShiftJis(piece))
            out += piece;
        else
            out += escapeOther(piece);
        i += width - 1;
    }
    return out;
}

QString referenceFor(QStringView piece) {
    if (piece.size() == 1 && piece[0].isSurrogate())
        return characterReference(0xFFFD); // an undecodable byte of a file name
    return characterReference(piece.toUcs4().value(0));
}

QString textEscape(char16_t c) {
    switch (c) {
    case u'&':
        return QStringLiteral("&amp;");
    case u'<':
        return QStringLiteral("&lt;");
    case u'>':
        return QStringLiteral("&gt;");
    default:
        return {};
    }
}

QString attrEscape(char16_t c) {
    if (c == u'\'')
        return QStringLiteral("&#39;");
    if (c == u'"')
        return QStringLiteral("&quot;");
    return textEscape(c);
}

QString urlEscape(char16_t c) {
    static const QString special = QStringLiteral("%#?'\"\\<>`");
    if (c < 0x20 || c == 0x7F || special.contains(QChar(c)))
        return percentEncoded(QStringView(QString(QChar(c))));
    return {};
}

} // namespace

QString htmlText(QStringView text) {
    return transform(text, textEscape, referenceFor);
}

QString htmlAttr(QStringView text) {
    return transform(text, attrEscape, referenceFor);
}

QString urlPath(QStringView text) {
    return transform(text, urlEscape, percentEncoded);
}

QString urlAttr(QStringView text) {
    QString value = htmlAttr(urlPath(text));
    // Browsers strip blanks at the ends of a URL; a name that begins or ends with one must keep it.
    qsizetype lead = 0;
    while (lead < value.size() && value[lead] == u' ')
        ++lead;
    if (lead == value.size())
        return value.replace(u' ', QStringLiteral("%20"));
    qsizetype trail = 0;
    while (value[value.size() - 1 - trail] == u' ')
        ++trail;
    if (lead == 0 && trail == 0)
        return value;
    return QStringLiteral("%20").repeated(lead) + value.mid(lead, value.size() - lead - trail) +
           QStringLiteral("%20").repeated(trail);
}

QString unquotedUrlAttr(QStringView text) {
    // An unquoted value ends at a blank and may not hold "=".
    return urlAttr(text).replace(u' ', QStringLiteral("%20")).replace(u'=', QStringLiteral("%3D"));
}

QString commentText(QStringView text) {
    return htmlText(text);
}

QString titleText(QStringView text) {
    return transform(
        text, [](char16_t c) { return c == u'&' ? QString() : textEscape(c); }, referenceFor);
}

QString withCharacterReferences(QStringView text) {
    return transform(
        text, [](char16_t) { return QString(); }, referenceFor);
}

} // namespace veldrin
