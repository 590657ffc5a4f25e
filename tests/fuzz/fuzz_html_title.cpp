// The title reader of linked HTML files: any bytes give at most 100 characters and "...", and never
// more than the input held.
#include "htmlgen/entry_texts.h"

#include <QBuffer>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QString title = veldrin::readHtmlTitle(buffer);
    if (title.size() > 103 || (title.size() > 100 && !title.endsWith(QStringLiteral("..."))))
        std::abort();
    if (!title.isEmpty() && !bytes.contains("<") && !bytes.contains("\x81\x83"))
        std::abort(); // a title needs a "<title>" tag in the file
    return 0;
}
