#include "startup/atomic_write.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
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

int createTemporaryIn(const std::string& folder, std::string& path, unsigned mode) {
    // The JPEG module holds a counter of its own: a name already taken is simply skipped.
    static std::atomic<unsigned long> counter{0};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        path = folder + "/.veldrin-" + std::to_string(::getpid()) + '-' + std::to_string(++counter) + ".tmp";
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool isStaleTemporary(const char* name) {
    static constexpr char prefix[] = ".veldrin-";
    if (std::strncmp(name, prefix, sizeof prefix - 1) != 0)
        return false;
    const char* p = name + sizeof prefix - 1;
    long long pid = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9' && digits < 10; ++p, ++digits)
        pid = pid * 10 + (*p - '0');
    if (digits == 0 || *p++ != '-' || !(*p >= '0' && *p <= '9'))
        return false;
    while (*p >= '0' && *p <= '9')
        ++p;
    if (std::strcmp(p, ".tmp") != 0)
        return false;
    // Our own files belong to the code writing them; another process's stay while it runs.
    if (pid == ::getpid())
        return false;
    return pid <= 0 || pid > INT_MAX || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

void removeStaleTemporaries(const char* folder) {
    DIR* dir = ::opendir(folder);
    if (!dir)
        return; // whoever writes there next reports why the folder cannot be used
    while (const dirent* entry = ::readdir(dir)) {
        if (isStaleTemporary(entry->d_name))
            (void)::unlinkat(::dirfd(dir), entry->d_name, 0); // harmless where it is when this fails
    }
    ::closedir(dir);
}

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

    std::string temp;
    const int fd = createTemporaryIn(folderOf(target), temp, 0600);
    if (fd < 0)
        return errno;

    int error = 0;
    // The file is created private; give it the old file's mode, or the usual one for a new file.
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
