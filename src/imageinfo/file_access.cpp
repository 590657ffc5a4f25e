#include "file_access.h"

#include "startup/errors.h"
#include "startup/native_name.h"

#include <QFile>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veldrin::detail {

OpenFile::OpenFile(OpenFile&& other) noexcept : m_fd(other.m_fd), m_length(other.m_length) {
    other.m_fd = -1;
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_length = other.m_length;
        other.m_fd = -1;
    }
    return *this;
}

OpenFile::~OpenFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::size_t OpenFile::readAt(std::int64_t offset, void* buffer, std::size_t size) const {
    if (m_fd < 0 || offset < 0)
        return 0;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const std::size_t wanted = size - done;
        const ssize_t n = ::pread(m_fd, out + done, wanted, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
        // A regular file reads short only at its end; asking again would only return nothing.
        if (static_cast<std::size_t>(n) < wanted)
            break;
    }
    return done;
}

bool isHiddenName(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf(u'/');
    return slash + 1 < fileName.size() && fileName.at(slash + 1) == u'.';
}

// O_NONBLOCK keeps a FIFO from stalling the open; it changes nothing for regular files.
int openForReadingAt(int folderFd, const QByteArray& path) {
    int fd;
    do {
        fd = ::openat(folderFd, path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool isUsableStatus(const struct stat& st) {
    return S_ISREG(st.st_mode) && st.st_size > 1;
}

namespace {

int openForReading(const QByteArray& path) {
    return openForReadingAt(AT_FDCWD, path);
}

bool usable(const struct stat& st) {
    return isUsableStatus(st);
}

} // namespace

OpenFile openUsableFile(const QString& fileName) {
    if (fileName.isEmpty() || isHiddenName(fileName))
        return {};
    const QByteArray path = toNativeName(fileName);
    const int fd = openForReading(path);
    if (fd < 0) {
        // Only a file that the directory shows as usable but that refuses to open is an error.
        const int openErrno = errno;
        struct stat st;
        if (::stat(path.constData(), &st) == 0 && usable(st))
            throw fileError(openErrno, fileName, false);
        return {};
    }
    OpenFile file(fd, 0);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !usable(st))
        return {};
    return OpenFile(file.release(), st.st_size);
}

OpenFile openRegularFile(const QString& fileName) {
    if (fileName.isEmpty())
        return {};
    const int fd = openForReading(toNativeName(fileName));
    if (fd < 0)
        return {};
    OpenFile file(fd, 0);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return OpenFile(file.release(), st.st_size);
}

FileWindow::FileWindow(const OpenFile& file, const std::uint8_t* head, std::size_t headSize) : m_file(file) {
    m_count = std::min(headSize, Capacity);
    if (m_count > 0)
        std::memcpy(m_buffer.data(), head, m_count);
}

const std::uint8_t* FileWindow::peek(std::int64_t offset, std::size_t size) {
    Q_ASSERT(size <= MaxPeek);
    if (offset >= m_start &&
        offset + static_cast<std::int64_t>(size) <= m_start + static_cast<std::int64_t>(m_count))
        return m_buffer.data() + (offset - m_start);
    m_start = offset;
    m_count = m_file.readAt(offset, m_buffer.data(), Capacity);
    std::fill(m_buffer.begin() + m_count, m_buffer.end(), std::uint8_t{0});
    // A peek past the end sees zeros; the window itself holds only real bytes.
    return m_buffer.data();
}

} // namespace veldrin::detail
