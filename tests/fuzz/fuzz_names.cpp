// File names into pages: any byte string is a name that comes back byte for byte from its text form,
// and no escaped value can end its attribute, its URL or a script string, or lose the file it names.
#include "htmlgen/html_escape.h"
#include "startup/native_name.h"

#include <QByteArray>
#include <QString>

#include <cstdlib>

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

bool containsAny(const QString& text, QStringView characters) {
    for (QChar c : characters) {
        if (text.contains(c))
            return true;
    }
    return false;
}

// What the browser asks the file system for: character references of an attribute resolved, then
// the URL's percent escapes decoded, its other characters taken as UTF-8.
QByteArray requested(QString value) {
    value.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    value.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    value.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    value.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    value.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return QByteArray::fromPercentEncoding(value.toUtf8());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrin;
    QByteArray raw(reinterpret_cast<const char*>(data), qsizetype(size));
    raw.replace('\0', '_'); // no name holds a NUL
    const QString name = fromNativeName(raw);
    require(toNativeName(name) == raw);

    const QString text = htmlText(name);
    require(!containsAny(text, u"<>"));
    require(!containsAny(htmlAttr(name), u"<>'\""));
    require(!containsAny(titleText(name), u"<>"));

    // A URL path is also pasted into a script string between single quotes.
    const QString path = urlPath(name);
    require(!containsAny(path, u"'\"\\<>`\r\n"));

    const QString attr = urlAttr(name);
    require(!containsAny(attr, u"<>'\"\r\n\t"));
    require(!attr.startsWith(u' ') && !attr.endsWith(u' '));
    require(requested(attr) == raw);

    const QString unquoted = unquotedUrlAttr(name);
    require(!containsAny(unquoted, u" <>'\"`=\t\r\n"));
    require(requested(unquoted) == raw);
    return 0;
}
