#include "startup/settings_file.h"

#include "startup/atomic_write.h"
#include "startup/native_name.h"
#include "startup/profile_file.h"
#include "startup/sjis.h"
#include "startup/startup.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <optional>

namespace veldrin {
namespace {

std::optional<QByteArray> readWholeFile(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// A settings file written by a UTF-8 editor starts with the byte-order mark; it is read as UTF-8 and
// written back so, mark included, so that any character survives in it. Others are Shift_JIS.
const QByteArray kUtf8Mark("\xEF\xBB\xBF");

struct ProfileText {
    QByteArray body; // without the mark
    bool utf8 = false;
};

ProfileText profileText(QByteArray bytes) {
    if (bytes.startsWith(kUtf8Mark))
        return {bytes.mid(kUtf8Mark.size()), true};
    return {std::move(bytes), false};
}

// Cuts UTF-8 bytes to at most maxBytes without splitting a character.
QByteArray cutUtf8(const QByteArray& bytes, int maxBytes) {
    if (bytes.size() <= maxBytes)
        return bytes;
    qsizetype n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80)
        --n;
    return bytes.left(n);
}

// Shift_JIS values, with every byte that is not part of a valid character kept as the escape that
// file names use, so that reading a damaged value and saving it again gives back the same bytes.
bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

QString fromShiftJisKeepingBytes(const QByteArray& bytes) {
    QString out;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const qsizetype width = isLeadByte(b) && i + 1 < bytes.size() ? 2 : 1;
        const QString decoded = b < 0x80 ? QString(QChar(b)) : fromShiftJis(bytes.mid(i, width));
        if (decoded.size() == 1 && decoded[0] != QChar(0xFFFD) &&
            toShiftJis(decoded) == bytes.mid(i, width)) {
            out += decoded;
            i += width;
        } else {
            out += QChar(static_cast<char16_t>(0xDC00 + b));
            ++i;
        }
    }
    return out;
}

QByteArray toShiftJisKeepingBytes(const QString& text) {
    QByteArray out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isEscapedByte(text[i]))
            continue;
        out += toShiftJis(QStringView(text).sliced(start, i - start));
        if (i < text.size())
            out += static_cast<char>(text[i].unicode() - 0xDC00);
        start = i + 1;
    }
    return out;
}

QString valueFrom(const std::optional<ProfileText>& contents, const QString& section, const QString& key,
                  const QString& defaultValue) {
    if (!contents)
        return defaultValue;
    const std::optional<QByteArray> raw = findProfileValue(contents->body, section, key);
    if (!raw)
        return defaultValue;
    if (contents->utf8)
        return QString::fromUtf8(cutUtf8(*raw, kMaxProfileValueBytes));
    return fromShiftJisKeepingBytes(cutAtCharacterBoundary(*raw, kMaxProfileValueBytes));
}

std::optional<ProfileText> readProfile(const QString& file) {
    std::optional<QByteArray> bytes = readWholeFile(file);
    if (!bytes)
        return std::nullopt;
    return profileText(std::move(*bytes));
}

} // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& file) {
    return valueFrom(readProfile(file), section, key, defaultValue);
}

Settings readSettingsFile(const QString& file, const QString& programFolder) {
    // One read of the file serves every key.
    const std::optional<ProfileText> contents = readProfile(file);
    const QString section = AppTitle();
    Settings s;
    for (const SettingsKey& key : settingsKeys()) {
        s.*key.field =
            valueFrom(contents, section, QString::fromUtf16(key.name), defaultValue(key, programFolder));
    }
    return s;
}

bool SaveSettingsFile(const Settings& settings, const QString& file, bool startedWithCommandLine,
                      QString* reason) {
    const auto failed = [&](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (startedWithCommandLine)
        return failed(QStringLiteral("started with a command line: nothing is saved"));
    ProfileText old;
    if (QFile::exists(file)) {
        // A file that exists but cannot be read is left alone rather than replaced by our keys only.
        std::optional<ProfileText> contents = readProfile(file);
        if (!contents)
            return failed(QStringLiteral("the file cannot be read: ") +
                          QString::fromLocal8Bit(std::strerror(errno)));
        old = std::move(*contents);
    }
    std::vector<std::pair<QString, QByteArray>> values;
    for (const SettingsKey& key : settingsKeys()) {
        const QString& value = settings.*key.field;
        values.emplace_back(QString::fromUtf16(key.name),
                            old.utf8 ? value.toUtf8() : toShiftJisKeepingBytes(value));
    }
    QByteArray contents = withProfileValues(old.body, AppTitle(), values);
    if (old.utf8)
        contents.prepend(kUtf8Mark);
    const QByteArray native = toNativeName(file);
    const qsizetype slash = native.lastIndexOf('/');
    removeStaleTemporaries(slash > 0 ? native.left(slash).constData() : slash == 0 ? "/" : ".");
    const int error =
        atomicWriteFile(native.constData(), contents.constData(), static_cast<size_t>(contents.size()));
    if (error != 0)
        return failed(QString::fromLocal8Bit(std::strerror(error)));
    return true;
}

} // namespace veldrin
