#include "cli_runner.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

namespace veldrin::e2e {

QByteArray CliResult::describe() const {
    return "exit " + QByteArray::number(exitCode) + (crashed ? " (crashed)" : "") + "\nstdout:\n" + out +
           "\nstderr:\n" + err;
}

QString cliPath() { return QStringLiteral(VELDRIN_CLI); }

CliResult runCli(const CliCall& call) {
    QProcess p;
    p.setProgram(cliPath());
    p.setArguments(call.args);
    if (!call.workDir.isEmpty())
        p.setWorkingDirectory(call.workDir);
    p.setStandardInputFile(QProcess::nullDevice());
    if (call.childSetup)
        p.setChildProcessModifier(call.childSetup);
    CliResult r;
    p.start();
    if (!p.waitForStarted()) {
        r.crashed = true;
        r.err = p.errorString().toUtf8();
        return r;
    }
    if (!p.waitForFinished(call.timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.crashed = true;
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.crashed = r.crashed || p.exitStatus() != QProcess::NormalExit;
    r.exitCode = p.exitCode();
    return r;
}

bool copyTree(const QString& from, const QString& to) {
    QDir source(from);
    if (!source.exists() || !QDir().mkpath(to))
        return false;
    const QFileInfoList entries =
        source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& e : entries) {
        const QString target = to + u'/' + e.fileName();
        if (e.isDir()) {
            if (!copyTree(e.absoluteFilePath(), target))
                return false;
        } else if (!QFile::copy(e.absoluteFilePath(), target)) {
            return false;
        } else {
            // Copies keep the source's times, so that date texts do not depend on the copy's moment.
            QFile copy(target);
            if (!copy.open(QIODevice::ReadWrite) ||
                !copy.setFileTime(e.lastModified(), QFileDevice::FileModificationTime))
                return false;
        }
    }
    return true;
}

QString copySamples(const QString& root) {
    const QString target = root + QStringLiteral("/samples");
    if (!copyTree(QStringLiteral(VELDRIN_SAMPLES_DIR), target))
        return {};
    return target + u'/';
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString writeEmptyIni(const QString& folder) {
    const QString path = folder + QStringLiteral("/test.ini");
    writeFile(path, "[VELDRIN]\r\n");
    return path;
}

QString fromSjis(const QByteArray& bytes) {
    QStringDecoder decoder("Shift_JIS");
    return decoder.decode(bytes);
}

QByteArray toSjis(const QString& text) {
    QStringEncoder encoder("Shift_JIS");
    return encoder.encode(text);
}

QStringList sjisLines(const QString& path) {
    QStringList lines = fromSjis(readFile(path)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

namespace {

QImage testPattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 255) / qMax(1, width - 1), (y * 255) / qMax(1, height - 1), 128));
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

void put16(QByteArray& b, int v) {
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}

} // namespace

QByteArray tinyPng(int width, int height) { return encoded(testPattern(width, height), "PNG"); }
QByteArray tinyJpeg(int width, int height) { return encoded(testPattern(width, height), "JPG"); }
QByteArray tinyBmp(int width, int height) { return encoded(testPattern(width, height), "BMP"); }

// Qt writes no GIF: a one-colour picture with uncompressed LZW codes (a clear code before the
// code width would grow), which every decoder reads.
QByteArray tinyGif(int width, int height) {
    QByteArray b("GIF89a");
    put16(b, width);
    put16(b, height);
    b.append(char(0x80)); // global colour table of 2 entries
    b.append('\0');
    b.append('\0');
    b.append("\xff\x80\x00\x00\x40\xff", 6);
    b.append(',');
    put16(b, 0);
    put16(b, 0);
    put16(b, width);
    put16(b, height);
    b.append('\0');
    b.append(char(2)); // minimum code size
    QByteArray data;
    quint32 bits = 0;
    int bitCount = 0;
    auto putCode = [&](int code) {
        bits |= quint32(code) << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            data.append(char(bits & 0xff));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    putCode(4);
    int sinceClear = 0;
    for (long i = 0; i < long(width) * height; ++i) {
        if (sinceClear == 2) {
            putCode(4);
            sinceClear = 0;
        }
        putCode(0);
        ++sinceClear;
    }
    putCode(5);
    if (bitCount > 0)
        data.append(char(bits & 0xff));
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const QByteArray block = data.mid(i, 255);
        b.append(char(block.size()));
        b.append(block);
    }
    b.append('\0');
    b.append(';');
    return b;
}

std::pair<int, int> listedCounts(const QString& stderrText) {
    static const QRegularExpression line(QStringLiteral("^(-?\\d+)/(-?\\d+) files listed in "),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(stderrText);
    if (!m.hasMatch())
        return {-1, -1};
    return {m.captured(1).toInt(), m.captured(2).toInt()};
}

} // namespace veldrin::e2e
