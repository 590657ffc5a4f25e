#include "startup/shared_routines.h"

#include "startup/errors.h"
#include "startup/native_name.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veldrin {

QString GetListItem(const QString& list, int index) {
    QString rest = list + u',';
    for (int i = 1; i <= index; ++i) {
        const qsizetype comma = rest.indexOf(u',');
        if (comma < 0)
            break;
        if (i < index)
            rest.remove(0, comma + 1);
        else if (comma > 0)
            return rest.left(comma);
    }
    return {};
}

namespace {

bool regularFileExists(const QString& path, bool hiddenToo) {
    const QString name = path.section(u'/', -1);
    if (!hiddenToo && name.startsWith(u'.'))
        return false;
    const QByteArray native = toNativeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        throw fileError(errno, path, false);
    }
    return S_ISREG(st.st_mode);
}

} // namespace

bool FileExists(const QString& path) {
    return regularFileExists(path, false);
}

bool AnyFileExists(const QString& path) {
    return regularFileExists(path, true);
}

bool CopyFileTimes(const QString& source, const QString& destination) {
    struct stat st {};
    if (::stat(toNativeName(source).constData(), &st) != 0)
        return false;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    // Opened for writing, without creating it: a folder, a read-only file or a missing one fails.
    // O_NONBLOCK keeps a named pipe without a reader from blocking.
    const int fd =
        ::open(toNativeName(destination).constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool set = ::futimens(fd, times) == 0;
    return ::close(fd) == 0 && set;
}

std::optional<QDateTime> modificationTime(const QString& path) {
    struct stat st {};
    if (::stat(toNativeName(path).constData(), &st) != 0)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(st.st_mtim.tv_sec) * 1000 +
                                          st.st_mtim.tv_nsec / 1000000);
}

} // namespace veldrin
