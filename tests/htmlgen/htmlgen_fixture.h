#pragma once

// Files for the HTML generation tests: pictures with hand-made headers padded to an exact length
// (so that every size text is known), fixed modification times, and reading a generated page back
// with its line ends checked.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

namespace htmlgen_test {

// 2003-01-09 07:05:30 in Tokyo (UTC+9), the time every fixture file carries unless a test says
// otherwise.
inline constexpr qint64 kFixedTime = 1042063530;
// 2003-12-31 23:59:59 in Tokyo.
inline constexpr qint64 kLateTime = 1072882799;

inline void putLe16(QByteArray& b, int at, unsigned v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

inline void putLe32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

inline void putBe32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * (3 - i))) & 0xFF);
}

// A GIF header of the given size, padded with zeros to length bytes (at least 13).
inline QByteArray gifBytes(int width, int height, int length) {
    QByteArray b(qMax(length, 13), '\0');
    b.replace(0, 6, "GIF89a");
    putLe16(b, 6, unsigned(width));
    putLe16(b, 8, unsigned(height));
    b[10] = char(0x07);
    return b;
}

// A BMP header (BITMAPINFOHEADER) of the given size, padded with zeros to length bytes.
inline QByteArray bmpBytes(int width, int height, int length) {
    QByteArray b(qMax(length, 54), '\0');
    b[0] = 'B';
    b[1] = 'M';
    putLe32(b, 2, quint32(b.size()));
    putLe32(b, 10, 54);
    putLe32(b, 14, 40);
    putLe32(b, 18, quint32(width));
    putLe32(b, 22, quint32(height));
    putLe16(b, 26, 1);
    putLe16(b, 28, 24);
    return b;
}

// A PNG signature and IHDR chunk of the given size, padded with zeros to length bytes.
inline QByteArray pngBytes(int width, int height, int length) {
    QByteArray b(qMax(length, 33), '\0');
    b.replace(0, 8, QByteArray::fromHex("89504E470D0A1A0A"));
    putBe32(b, 8, 13);
    b.replace(12, 4, "IHDR");
    putBe32(b, 16, quint32(width));
    putBe32(b, 20, quint32(height));
    b[24] = 8;
    b[25] = 2;
    return b;
}

inline void setMTime(const QString& path, qint64 secs) {
    const struct timespec times[2] = {{static_cast<time_t>(secs), 0}, {static_cast<time_t>(secs), 0}};
    QVERIFY2(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0, qPrintable(path));
}

// Writes a file (its folders made first) and gives it the fixed time.
inline void writeFile(const QString& path, const QByteArray& bytes, qint64 mtime = kFixedTime) {
    QVERIFY(QDir().mkpath(path.section(u'/', 0, -2)));
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
    f.close();
    setMTime(path, mtime);
}

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Every line of a page ends in CR LF: no lone CR, no lone LF, and CR LF at the very end.
inline bool hasOnlyCrLfLines(const QByteArray& bytes) {
    if (!bytes.endsWith("\r\n"))
        return false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))
            return false;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            return false;
    }
    return true;
}

// The lines of a Shift_JIS page, after checking its line ends and its encoding.
inline QStringList pageLines(const QString& path, bool* ok) {
    *ok = false;
    const QByteArray bytes = readBytes(path);
    if (!hasOnlyCrLfLines(bytes))
        return {QStringLiteral("<line ends are not all CR LF>")};
    QStringDecoder sjis("Shift_JIS", QStringConverter::Flag::Stateless);
    const QString text = sjis.decode(bytes);
    if (sjis.hasError())
        return {QStringLiteral("<not valid Shift_JIS>")};
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast(); // after the final CR LF
    *ok = true;
    return lines;
}

// Compares a page with the expected lines, one line at a time so that a failure names the line.
inline void comparePage(const QString& path, const QStringList& expected) {
    QVERIFY2(QFile::exists(path), qPrintable(QStringLiteral("missing page ") + path));
    bool ok = false;
    const QStringList actual = pageLines(path, &ok);
    QVERIFY2(ok, qPrintable(path + QStringLiteral(": ") + actual.value(0)));
    for (qsizetype i = 0; i < qMin(actual.size(), expected.size()); ++i) {
        if (actual[i] != expected[i]) {
            QFAIL(qPrintable(QStringLiteral("%1 line %2\n   actual: %3\n expected: %4")
                                 .arg(path.section(u'/', -1))
                                 .arg(i + 1)
                                 .arg(actual[i], expected[i])));
        }
    }
    if (actual.size() != expected.size()) {
        QFAIL(qPrintable(
            QStringLiteral("%1 has %2 lines, expected %3; first difference: %4")
                .arg(path.section(u'/', -1))
                .arg(actual.size())
                .arg(expected.size())
                .arg(actual.size() > expected.size() ? actual[expected.size()] : expected[actual.size()])));
    }
}

} // namespace htmlgen_test
