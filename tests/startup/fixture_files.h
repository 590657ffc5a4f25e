#pragma once

// Small helpers shared by the start-up tests for building files in temporary folders.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <optional>
#include <sys/stat.h>

namespace veldrin::testing {

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline std::optional<QByteArray> readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.readAll();
}

inline bool setMode(const QString& path, mode_t mode) {
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

inline mode_t modeOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

// Gives a path the mode back when the scope ends, so that a failed check does not leave a folder
// that the temporary directory cannot remove.
class ModeRestorer {
public:
    ModeRestorer(QString path, mode_t mode) : m_path(std::move(path)), m_mode(mode) {}
    ~ModeRestorer() { setMode(m_path, m_mode); }
    ModeRestorer(const ModeRestorer&) = delete;
    ModeRestorer& operator=(const ModeRestorer&) = delete;

private:
    QString m_path;
    mode_t m_mode;
};

// Every entry of a folder, hidden ones included, sorted by name.
inline QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Sets an environment variable for the lifetime of the object and restores the old state after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<QByteArray>& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace veldrin::testing
