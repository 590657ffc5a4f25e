#include "htmlgen/output_file.h"

#include "htmlgen/html_escape.h"
#include "startup/errors.h"
#include "startup/native_name.h"
#include "startup/sjis.h"

#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veldrin {
namespace {

constexpr qsizetype kFlushAt = 64 * 1024;

QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

const QRegularExpression& temporaryPattern() {
    static const QRegularExpression pattern(QStringLiteral("^\\.veldrin-([0-9]{1,10})-[0-9]+\\.tmp$"));
    return pattern;
}

bool processIsGone(long pid) {
    return pid <= 0 || pid > 0x7FFFFFFF || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

} // namespace

StagedOutputs::~StagedOutputs() {
    discard();
}

bool StagedOutputs::isTemporaryName(QStringView name) {
    return temporaryPattern().match(name.toString()).hasMatch();
}

QByteArray StagedOutputs::temporaryFor(const QString& path) {
    const QString folder = folderOf(path);
    if (std::find(m_sweptFolders.begin(), m_sweptFolders.end(), folder) == m_sweptFolders.end()) {
        m_sweptFolders.push_back(folder);
        sweep(folder);
    }
    const QString name = QStringLiteral(".veldrin-%1-%2.tmp").arg(::getpid()).arg(++m_counter);
    return toNativeName(folder + name);
}

void StagedOutputs::sweep(const QString& folder) {
    const QByteArray native = toNativeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return; // creating the file in it will report the reason
    const long self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            continue;
        const QRegularExpressionMatch m = temporaryPattern().match(QString::fromLatin1(entry->d_name));
        if (!m.hasMatch())
            continue;
        const long pid = m.captured(1).toLong();
        // A file of a run still going on in another process is that run's to finish.
        if (pid != self && !processIsGone(pid))
            continue;
        if (pid == self && std::any_of(m_staged.begin(), m_staged.end(), [&](const Staged& s) {
                return s.temporary.endsWith(QByteArray('/' + QByteArray(entry->d_name)));
            }))
            continue;
        // Nothing to tell when it fails: the file is ours and harmless where it is.
        (void)::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

void StagedOutputs::add(QByteArray temporary, const QString& path) {
    m_staged.push_back({std::move(temporary), path});
}

bool StagedOutputs::holds(const QString& path) const {
    return std::any_of(m_staged.begin(), m_staged.end(), [&](const Staged& s) { return s.path == path; });
}

void StagedOutputs::commit() {
    while (!m_staged.empty()) {
        const Staged& s = m_staged.front();
        if (::rename(s.temporary.constData(), toNativeName(s.path).constData()) != 0)
            throw fileError(errno, s.path, true);
        m_staged.erase(m_staged.begin());
    }
}

void StagedOutputs::discard() {
    for (const Staged& s : m_staged)
        (void)::unlink(s.temporary.constData()); // a leftover is swept by the next run
    m_staged.clear();
}

OutputFile::~OutputFile() {
    if (m_fd >= 0) {
        // Only reached when a run ends early: the unfinished page must not replace anything.
        ::close(m_fd);
        (void)::unlink(m_temporary.constData()); // a leftover is swept by the next run
    }
}

void OutputFile::create(const QString& path) {
    if (m_fd >= 0)
        close();
    m_path = path;
    m_target.clear();
    // A page kept as a link to elsewhere is replaced where the link points, and keeps its mode.
    QString target = path;
    struct stat old {};
    if (::lstat(toNativeName(path).constData(), &old) == 0 && S_ISLNK(old.st_mode)) {
        if (char* real = ::realpath(toNativeName(path).constData(), nullptr)) {
            target = fromNativeName(real);
            std::free(real);
        }
    }
    const bool existed = ::stat(toNativeName(target).constData(), &old) == 0 && S_ISREG(old.st_mode);
    const QByteArray temporary = m_staging.temporaryFor(target);
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw fileError(errno, path, true);
    if (existed)
        (void)::fchmod(fd, old.st_mode & 07777); // best effort: the page itself matters more
    m_fd = fd;
    m_target = target;
    m_temporary = temporary;
    m_buffer.clear();
}

void OutputFile::writeLine(const QString& text) {
    if (m_fd < 0)
        throw VeldrinError(ErrorKind::Other,
                           QStringLiteral("ファイルが開かれていません。（") + displayName(m_path) + u'）');
    // Make room first: when this fails nothing of the line has been taken.
    if (m_buffer.size() >= kFlushAt)
        flush();
    m_buffer += canEncodeShiftJis(text) ? toShiftJis(text) : toShiftJis(withCharacterReferences(text));
    m_buffer += "\r\n";
}

void OutputFile::flush() {
    qsizetype done = 0;
    while (done < m_buffer.size()) {
        const ssize_t n =
            ::write(m_fd, m_buffer.constData() + done, static_cast<size_t>(m_buffer.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            m_buffer.remove(0, done);
            throw fileError(error, m_path, true);
        }
        done += n;
    }
    m_buffer.clear();
}

void OutputFile::close() {
    if (m_fd < 0)
        return;
    // A failed flush leaves the file open, so that trying the step again can still finish it.
    flush();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        (void)::unlink(m_temporary.constData()); // its contents are in doubt; the old page stays
        throw fileError(error, m_path, true);
    }
    m_staging.add(m_temporary, m_target);
}

} // namespace veldrin
