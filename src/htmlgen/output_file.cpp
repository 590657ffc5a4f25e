#include "htmlgen/output_file.h"

#include "htmlgen/html_escape.h"
#include "startup/errors.h"
#include "startup/native_name.h"
#include "startup/sjis.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace veldrin {
namespace {
constexpr qsizetype kFlushAt = 64 * 1024;
}

OutputFile::~OutputFile() {
    if (m_fd >= 0) {
        // Only reached when a run ends through its error path; what was written stays on disk
        // and a second report about the same file would say nothing new.
        try {
            flush();
        } catch (const VeldrinError&) {
        }
        ::close(m_fd);
    }
}

void OutputFile::create(const QString& path) {
    if (m_fd >= 0)
        close();
    const QByteArray native = toNativeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw fileError(errno, path, true);
    m_fd = fd;
    m_path = path;
    m_buffer.clear();
}

void OutputFile::writeLine(const QString& text) {
    if (m_fd < 0)
        throw VeldrinError(ErrorKind::Other, QStringLiteral("ファイルが開かれていません。"));
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
    if (::close(fd) != 0)
        throw fileError(errno, m_path, true);
}

} // namespace veldrin
