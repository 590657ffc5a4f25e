#include "startup/atomic_write.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace veldrin {
namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The file that path names once symbolic links are followed, even when it does not exist yet:
// writing goes through a link to that file, so the link stays a link.
std::string linkTarget(const char* path) {
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        char next[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), next, sizeof next);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof next))
            break;
        const std::string link(next, static_cast<std::size_t>(n));
        target = link.front() == '/' ? link : folderOf(target) + '/' + link;
    }
    return target;
}

} // namespace

int atomicWriteFile(const char* path, const void* data, std::size_t size, Durability durability) {
    const std::string target = linkTarget(path);

    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (!replacing && errno != ENOENT)
        return errno; // a link loop, say: there is no file to replace, and no link may be replaced
    // The rename needs only the folder's permission; a file its user may not write (read-only, or
    // another user's) must still stay as it is, as with a write in place.
    if (replacing && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return errno;

    std::string temp = folderOf(target) + "/.veldrin-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return errno;

    int error = 0;
    // mkstemp creates the file private; give it the old file's mode, or the usual one for a new file.
    mode_t mode = 0;
    if (replacing) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, data, size) ||
        (durability == Durability::Flushed && ::fsync(fd) != 0))
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    if (durability == Durability::Flushed) {
        // Make the rename itself durable.
        const int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return 0;
}

} // namespace veldrin
