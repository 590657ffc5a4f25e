#include "startup/settings_file.h"

#include "startup/atomic_write.h"
#include "startup/native_name.h"
#include "startup/profile_file.h"
#include "startup/sjis.h"
#include "startup/startup.h"

#include <QFile>

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

QString valueFrom(const std::optional<QByteArray>& contents, const QString& section, const QString& key,
                  const QString& defaultValue) {
    if (!contents)
        return defaultValue;
    const std::optional<QByteArray> raw = findProfileValue(*contents, section, key);
    if (!raw)
        return defaultValue;
    return fromShiftJis(cutAtCharacterBoundary(*raw, kMaxProfileValueBytes));
}

} // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& file) {
    return valueFrom(readWholeFile(file), section, key, defaultValue);
}

Settings readSettingsFile(const QString& file, const QString& programFolder) {
    // One read of the file serves every key.
    const std::optional<QByteArray> contents = readWholeFile(file);
    const QString section = AppTitle();
    Settings s;
    for (const SettingsKey& key : settingsKeys()) {
        s.*key.field =
            valueFrom(contents, section, QString::fromUtf16(key.name), defaultValue(key, programFolder));
    }
    return s;
}

bool SaveSettingsFile(const Settings& settings, const QString& file, bool startedWithCommandLine) {
    if (startedWithCommandLine)
        return false;
    QByteArray old;
    if (QFile::exists(file)) {
        // A file that exists but cannot be read is left alone rather than replaced by our keys only.
        std::optional<QByteArray> contents = readWholeFile(file);
        if (!contents)
            return false;
        old = std::move(*contents);
    }
    std::vector<std::pair<QString, QByteArray>> values;
    for (const SettingsKey& key : settingsKeys())
        values.emplace_back(QString::fromUtf16(key.name), toShiftJis(settings.*key.field));
    const QByteArray contents = withProfileValues(old, AppTitle(), values);
    const QByteArray native = toNativeName(file);
    return atomicWriteFile(native.constData(), contents.constData(), static_cast<size_t>(contents.size())) ==
           0;
}

} // namespace veldrin
