// A disk that fills up, preloaded into a program: files in one folder share a
// budget of bytes, and the disk fails in one of three ways.
//
//   QUILLON_FULL_DISK_FOLDER  the folder, as an absolute path without links
//   QUILLON_FULL_DISK_BYTES   bytes its files may still take
//   QUILLON_FULL_DISK_MODE    "write": what passes the budget is refused with ENOSPC;
//                             "close": every write is taken, but once the budget is
//                             passed every fsync(), syncfs() and close() in the folder
//                             fails, as on a network disk or under a quota;
//                             "flush": every write is taken, every flush fails with EIO;
//                             "short": no disk is full, but each write takes 100 bytes at most
//   QUILLON_FULL_DISK_SHUT    "1": the folder and those below it cannot be opened for
//                             reading (mode -wx), so a flush must go through a file
//
// Only calls made through the C library are caught; everything else passes.

#include <atomic>
#include <cstdarg>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

const std::string g_folder = std::getenv("QUILLON_FULL_DISK_FOLDER") ?: "";
const std::string g_mode = std::getenv("QUILLON_FULL_DISK_MODE") ?: "write";
std::atomic<long long> g_left {
    std::getenv("QUILLON_FULL_DISK_BYTES") ? std::atoll(std::getenv("QUILLON_FULL_DISK_BYTES")) : LLONG_MAX
};
std::atomic<bool> g_overdrawn { false }; // in "close" mode, once the budget is passed
const bool g_shut = std::getenv("QUILLON_FULL_DISK_SHUT") && *std::getenv("QUILLON_FULL_DISK_SHUT") == '1';

// Whether fd is a file below the folder, or with itself also the folder.
bool inFolder(int fd, bool itself = false)
{
    if (g_folder.empty() || fd < 0)
        return false;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    const size_t length = g_folder.size();
    if (n < 0 || size_t(n) < length || std::memcmp(target, g_folder.data(), length) != 0)
        return false;
    return size_t(n) == length ? itself : target[length] == '/';
}

template <typename F> F real(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// How many of count bytes may be written to fd; -1 (ENOSPC) when none may.
ssize_t allowance(int fd, size_t count)
{
    if (count == 0 || !inFolder(fd))
        return ssize_t(count);
    if (g_mode == "short")
        return ssize_t(count < 100 ? count : 100);
    const long long wanted = (long long)count;
    long long left = g_left.load();
    if (g_mode != "write") {
        if (g_left.fetch_sub(wanted) < wanted)
            g_overdrawn = true;
        return ssize_t(count);
    }
    for (;;) {
        const long long granted = left < wanted ? left : wanted;
        if (granted <= 0) {
            errno = ENOSPC;
            return -1;
        }
        if (g_left.compare_exchange_weak(left, left - granted))
            return ssize_t(granted);
    }
}

// The error a flush of fd meets, or 0.
int flushError(int fd)
{
    if (!inFolder(fd, true))
        return 0;
    return g_mode == "flush" ? EIO : g_mode == "close" && g_overdrawn ? ENOSPC : 0;
}

int flush(const char* name, int fd)
{
    if (const int error = flushError(fd)) {
        errno = error;
        return -1;
    }
    return real<int (*)(int)>(name)(fd);
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* data, size_t count)
{
    static const auto next = real<ssize_t (*)(int, const void*, size_t)>("write");
    const ssize_t granted = allowance(fd, count);
    return granted < 0 ? -1 : next(fd, data, size_t(granted));
}

int open(const char* path, int flags, ...)
{
    static const auto next = real<int (*)(const char*, int, ...)>("open");
    const size_t length = g_folder.size();
    if (g_shut && (flags & O_DIRECTORY) && length > 0 && std::strncmp(path, g_folder.data(), length) == 0
        && (path[length] == '\0' || path[length] == '/')) {
        errno = EACCES;
        return -1;
    }
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    return next(path, flags, mode);
}

int fsync(int fd)
{
    return flush("fsync", fd);
}

int syncfs(int fd)
{
    return flush("syncfs", fd);
}

// A file written to is closed, but what it could not hold is reported.
int close(int fd)
{
    static const auto next = real<int (*)(int)>("close");
    const bool written = (::fcntl(fd, F_GETFL) & O_ACCMODE) != O_RDONLY;
    const int error = g_mode == "close" && written ? flushError(fd) : 0;
    const int done = next(fd);
    if (done == 0 && error) {
        errno = error;
        return -1;
    }
    return done;
}

} // extern "C"
