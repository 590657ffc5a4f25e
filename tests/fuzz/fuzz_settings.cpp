// The settings file reader and writer: whatever a file holds, reading it, saving the values and
// reading again gives the same values, and every line outside our section stays as it was.
#include "fuzz_entries.h"

#include "startup/settings.h"
#include "startup/settings_file.h"

#include <QFile>

#include <cstdlib>

namespace {

bool isBreak(char c) {
    return c == '\n' || c == '\r';
}

// The lines of a profile text (LF, CR LF and a lone CR end a line), without their endings and with a
// leading UTF-8 mark dropped, leaving out the first [VELDRIN] section.
QList<QByteArray> foreignLines(QByteArray text) {
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    QList<QByteArray> lines;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype end = i;
        while (end < text.size() && !isBreak(text[end]))
            ++end;
        lines.append(text.mid(i, end - i));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        i = end + 1;
    }
    QList<QByteArray> out;
    enum { Before, Inside, After } state = Before;
    // As profile files are read: a line that starts with "[" after blanks and tabs opens a section,
    // named by what follows up to "]" or the line's end.
    const auto blanksTrimmed = [](QByteArray t) {
        while (!t.isEmpty() && (t.front() == ' ' || t.front() == '\t'))
            t.remove(0, 1);
        while (!t.isEmpty() && (t.back() == ' ' || t.back() == '\t'))
            t.chop(1);
        return t;
    };
    for (const QByteArray& line : lines) {
        const QByteArray t = blanksTrimmed(line);
        const bool header = t.startsWith('[');
        const qsizetype close = t.indexOf(']');
        if (header && state == Before &&
            blanksTrimmed(t.mid(1, close < 0 ? -1 : close - 1)).toUpper() == "VELDRIN") {
            state = Inside;
            continue;
        }
        if (header && state == Inside)
            state = After;
        if (state != Inside)
            out.append(line);
    }
    // Blank lines at the end are where the writer may add our section.
    while (!out.isEmpty() && blanksTrimmed(out.last()).isEmpty())
        out.removeLast();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrin;
    if (!fuzz::writeScratch(data, size))
        return 0;
    const QString file = fuzz::scratchPath();
    const QString folder = QStringLiteral("/opt/veldrin/");
    const Settings first = readSettingsFile(file, folder);
    if (!SaveSettingsFile(first, file, false))
        std::abort();
    QFile saved(file);
    if (!saved.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray after = saved.readAll();
    if (readSettingsFile(file, folder) != first)
        std::abort();
    const QByteArray before(reinterpret_cast<const char*>(data), qsizetype(size));
    if (foreignLines(before) != foreignLines(after))
        std::abort();
    return 0;
}
