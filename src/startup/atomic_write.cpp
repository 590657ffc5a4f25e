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

} // namespace

int atomicWriteFile(const char* path, const void* data, std::size_t size) {
    // Write through a symbolic link to the file it names, so the link stays a link.
    std::string target = path;
    char resolved[PATH_MAX];
    struct stat linkInfo {};
    if (::lstat(path, &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode) && ::realpath(path, resolved))
        target = resolved;

    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;

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
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, data, size) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    // Make the rename itself durable.
    const int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

} // namespace veldrin
