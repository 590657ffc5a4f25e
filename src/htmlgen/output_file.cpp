#include "htmlgen/output_file.h"

#include "htmlgen/html_escape.h"
#include "startup/atomic_write.h"
#include "startup/errors.h"
#include "startup/native_name.h"
#include "startup/sjis.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veldrin {
namespace {

constexpr qsizetype kFlushAt = 64 * 1024;

QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

} // namespace

StagedOutputs::~StagedOutputs() {
    discard();
}

int StagedOutputs::createTemporaryFor(const QString& path, QByteArray& temporary) {
    const QString folder = folderOf(path); // ends in "/", or is empty for the current folder
    const QByteArray native = toNativeName(folder.isEmpty() ? QStringLiteral("./") : folder);
    if (std::find(m_sweptFolders.begin(), m_sweptFolders.end(), folder) == m_sweptFolders.end()) {
        m_sweptFolders.push_back(folder);
        removeStaleTemporaries(native.constData());
    }
    std::string name;
    const int fd = createTemporaryIn(native.chopped(1).toStdString(), name, 0666);
    temporary = QByteArray::fromStdString(name);
    return fd;
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
    QByteArray temporary;
    const int fd = m_staging.createTemporaryFor(target, temporary);
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
