#include "htmlgen/entry_texts.h"

#include "htmlgen/html_escape.h"
#include "startup/errors.h"
#include "startup/native_name.h"
#include "startup/sjis.h"
#include "startup/vb_runtime.h"

#include <QFile>
#include <QStringDecoder>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veldrin {
namespace {

constexpr qsizetype kTitleScanLimit = 10240;
constexpr qsizetype kTitleLength = 100;

struct FileStatus {
    std::int64_t size = 0;
    QDateTime modified;
};

FileStatus statusOf(const QString& path) {
    struct stat st {};
    if (::stat(toNativeName(path).constData(), &st) != 0)
        throw fileError(errno, path, false);
    return {static_cast<std::int64_t>(st.st_size),
            QDateTime::fromSecsSinceEpoch(static_cast<qint64>(st.st_mtim.tv_sec))};
}

// The status read with the entry when there is one; else, and when that reading failed, asked again
// now, so that the error (and a retry) is this step's.
FileStatus statusOf(const QString& path, const FileFacts* known) {
    if (known && known->statusKnown)
        return {known->size, QDateTime::fromSecsSinceEpoch(static_cast<qint64>(known->modified))};
    return statusOf(path);
}

std::int64_t lengthOf(const QString& path, const FileFacts* known) {
    return known && known->statusKnown ? known->size : statusOf(path).size;
}

double wholeKilobytes(std::int64_t bytes) {
    return std::floor(static_cast<double>(bytes) / 1024 + 0.99999);
}

// Pages written on Linux are mostly UTF-8; older ones Shift_JIS. Valid UTF-8 decides.
bool looksLikeUtf8(const QByteArray& sample) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    // decode() only converts when its result is taken.
    [[maybe_unused]] const QString decoded = utf8.decode(sample);
    return !utf8.hasError();
}

} // namespace

QString GetHtmlTitle(const QString& FilePath) {
    if (!FilePath.toLower().contains(u".htm"))
        return {};
    // Opened by its raw name: a name that is not UTF-8 must still reach its own file.
    const int fd = ::open(toNativeName(FilePath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    return readHtmlTitle(file);
}

QString readHtmlTitle(QIODevice& file) {
    // Decide the encoding on the first 64 KB, cutting back to a whole UTF-8 character.
    QByteArray sample = file.peek(64 * 1024);
    while (!sample.isEmpty() && (static_cast<unsigned char>(sample.back()) & 0xC0) == 0x80)
        sample.chop(1);
    if (!sample.isEmpty() && static_cast<unsigned char>(sample.back()) >= 0xC0)
        sample.chop(1);
    const bool utf8 = looksLikeUtf8(sample);

    QString buffer;
    qsizetype start = -1;
    // More than kTitleScanLimit characters take in any encoding; readLine allocates this much per line.
    constexpr qint64 kChunk = 64 * 1024;
    while (!file.atEnd()) {
        QByteArray raw = file.readLine(kChunk);
        if (raw.isEmpty())
            return {}; // not at the end, yet nothing came: a read error
        // Only the start of an over-long line counts: the rest of it is skipped, not taken as lines.
        if (!raw.endsWith('\n')) {
            while (!file.atEnd()) {
                const QByteArray rest = file.readLine(kChunk);
                if (rest.isEmpty() || rest.endsWith('\n'))
                    break;
            }
        }
        while (raw.endsWith('\n') || raw.endsWith('\r'))
            raw.chop(1);
        // A lone CR also ends a line.
        for (const QByteArray& piece : raw.split('\r')) {
            QString line = utf8 ? QString::fromUtf8(piece) : fromShiftJis(piece);
            if (line.isEmpty())
                continue;
            if (line.size() > kTitleScanLimit)
                line.truncate(kTitleScanLimit);
            buffer += line;
            // Compared without case in place: lower-casing can change the length of a text
            // ("İ" becomes two characters), and the title is cut out of the buffer by position.
            if (start < 0) {
                const qsizetype p = buffer.indexOf(u"<title>", 0, Qt::CaseInsensitive);
                if (p >= 0)
                    start = p + 7;
            }
            if (start >= 0) {
                const qsizetype end = buffer.indexOf(u"</title>", start, Qt::CaseInsensitive);
                if (end >= 0) {
                    QString title = buffer.mid(start, end - start);
                    if (title.size() > kTitleLength)
                        title = title.left(kTitleLength) + QStringLiteral("...");
                    return title;
                }
            }
            if (buffer.size() > kTitleScanLimit || buffer.contains(u"<body", Qt::CaseInsensitive))
                return {};
        }
    }
    return {};
}

QString byteSizeText(std::int64_t bytes) {
    if (bytes >= 1024)
        return formatNumber(wholeKilobytes(bytes), u"###,###,##0") + QStringLiteral("KB");
    return formatNumber(static_cast<double>(bytes), u"#,##0") + QStringLiteral("バイト");
}

QString kbSizeText(std::int64_t bytes) {
    return formatNumber(wholeKilobytes(bytes), u"###,###,##0") + QStringLiteral("KB");
}

std::int64_t fileLength(const QString& path) {
    return statusOf(path).size;
}

QString MakeFileStatusStr(const SettingsAccess& settings, const QString& FolderText, const QString& FileName,
                          const QString& SizeText, const QString& FilePath, const FileFacts* known) {
    const QString attr = settings.value(u"FILESTATUS_ATTR");
    const auto shown = [&](int position) { return attr.mid(position - 1, 1) == u"1"; };
    QString text;
    std::optional<FileStatus> facts;
    const auto file = [&]() -> const FileStatus& {
        if (!facts)
            facts = statusOf(FilePath, known);
        return *facts;
    };
    if (shown(6) && !FolderText.isEmpty())
        text += QStringLiteral("<BR>") + htmlText(FolderText);
    if (shown(1))
        text += QStringLiteral("<BR>") + htmlText(FileName);
    if (shown(2) && !SizeText.isEmpty())
        text += QStringLiteral("<BR>") + htmlText(SizeText);
    if (shown(3))
        text += QStringLiteral("<BR>") + byteSizeText(file().size);
    if (shown(4))
        text += QStringLiteral("<BR>") + formatDate(file().modified);
    if (shown(7))
        text += QStringLiteral("<BR>") + formatTime(file().modified);
    if (shown(5))
        text += QStringLiteral("<BR>\r\n<!-- ") + commentText(FileName) + QStringLiteral("のコメント -->");
    if (text.isEmpty())
        return {};
    return QStringLiteral("<FONT SIZE=-1 COLOR=#") +
           ColorToHex(Val(settings.value(u"FILESTATUS_FONTCOLOR"))) + u'>' + text + QStringLiteral("</FONT>");
}

QString MakeFileStatusStrAlt(const QString& FolderText, const QString& FileName, const QString& SizeText,
                             const QString& FilePath, const FileFacts* known) {
    QString text = FolderText + FileName + u' ';
    if (!SizeText.isEmpty())
        text += SizeText + u' ';
    text += byteSizeText(lengthOf(FilePath, known)) + u' ';
    return QStringLiteral("ALT='") + htmlAttr(text) + u'\'';
}

QString strchange(const QString& Source, const QString& Find, const QString& Replacement) {
    if (Find.isEmpty())
        return Source;
    QString out;
    out.reserve(Source.size());
    qsizetype pos = 0;
    while (pos < Source.size()) {
        if (QStringView(Source).mid(pos, Find.size()) == Find) {
            out += Replacement;
            pos += Find.size();
        } else {
            out += Source[pos];
            ++pos;
        }
    }
    return out;
}

QString ColorToHex(double Color) {
    const auto value = static_cast<std::uint32_t>(static_cast<std::int64_t>(std::floor(Color)) & 0xFFFFFF);
    const auto hex = [](std::uint32_t byte) {
        return QString::number(byte, 16).toUpper().rightJustified(2, u'0');
    };
    const std::uint32_t blue = value / 65536;
    const std::uint32_t rest = value % 65536;
    return hex(rest % 256) + hex(rest / 256) + hex(blue);
}

} // namespace veldrin
