// A disk that fills up, for quillon-tag run under LD_PRELOAD: files in one
// folder share a budget of bytes, and what passes it is refused with ENOSPC.
//
//   QUILLON_FULL_DISK_FOLDER  the folder, as an absolute path without links
//   QUILLON_FULL_DISK_BYTES   bytes its files may still take
//   QUILLON_FULL_DISK_LATE    "1": every write is taken, but a file that went
//                             past the budget fails its fsync() and close(), the
//                             way a network file system or a quota reports it
//   QUILLON_FULL_DISK_LOST    "1": every write is taken, but every flush of the
//                             folder fails with EIO, as when the disk loses
//                             bytes it had accepted
//
// Only the calls a program makes through the C library are caught; everything
// outside the folder passes straight through.

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <limits.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

struct Config {
    char folder[PATH_MAX] = {};
    size_t folderLength = 0;
    bool late = false;
    bool lost = false;
};

const Config& config()
{
    static const Config loaded = [] {
        Config c;
        if (const char* folder = std::getenv("QUILLON_FULL_DISK_FOLDER")) {
            std::snprintf(c.folder, sizeof c.folder, "%s", folder);
            c.folderLength = std::strlen(c.folder);
        }
        const char* late = std::getenv("QUILLON_FULL_DISK_LATE");
        c.late = late && std::strcmp(late, "1") == 0;
        const char* lost = std::getenv("QUILLON_FULL_DISK_LOST");
        c.lost = lost && std::strcmp(lost, "1") == 0;
        return c;
    }();
    return loaded;
}

std::atomic<long long>& budget()
{
    static std::atomic<long long> left = [] {
        const char* bytes = std::getenv("QUILLON_FULL_DISK_BYTES");
        return bytes ? std::atoll(bytes) : LLONG_MAX;
    }();
    return left;
}

// Files that went past the budget in late mode, by descriptor.
constexpr int kTracked = 65536;
std::atomic<bool> g_overdrawn[kTracked];
std::atomic<bool> g_anyOverdrawn { false };

bool inFolder(int fd)
{
    const Config& c = config();
    if (c.folderLength == 0 || fd < 0)
        return false;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n < 0 || static_cast<size_t>(n) <= c.folderLength)
        return false;
    return std::memcmp(target, c.folder, c.folderLength) == 0 && target[c.folderLength] == '/';
}

// A flush of the folder or of anything in it, when flushes lose their bytes.
bool flushLoses(int fd)
{
    const Config& c = config();
    if (!c.lost || c.folderLength == 0 || fd < 0)
        return false;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n < static_cast<ssize_t>(c.folderLength))
        return false;
    return std::memcmp(target, c.folder, c.folderLength) == 0
        && (static_cast<size_t>(n) == c.folderLength || target[c.folderLength] == '/');
}

template <typename F> F next(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// How many of count bytes for fd may be written: all of them outside the
// folder; inside it what is left of the budget, and -1 (ENOSPC) when nothing is.
ssize_t allowance(int fd, size_t count)
{
    if (count == 0 || !inFolder(fd))
        return static_cast<ssize_t>(count);
    const long long wanted = static_cast<long long>(count);
    long long left = budget().load();
    for (;;) {
        const long long granted = left < wanted ? left : wanted;
        if (config().late) {
            if (budget().compare_exchange_weak(left, left - wanted)) {
                if (left - wanted < 0 && fd < kTracked) {
                    g_overdrawn[fd] = true;
                    g_anyOverdrawn = true;
                }
                return static_cast<ssize_t>(count);
            }
            continue;
        }
        if (granted <= 0) {
            errno = ENOSPC;
            return -1;
        }
        if (budget().compare_exchange_weak(left, left - granted))
            return static_cast<ssize_t>(granted);
    }
}

bool overdrawn(int fd)
{
    return fd >= 0 && fd < kTracked && g_overdrawn[fd].load();
}

// The error a flush of fd meets on this disk, or 0 when it goes through.
int flushError(int fd)
{
    if (flushLoses(fd))
        return EIO;
    return overdrawn(fd) ? ENOSPC : 0;
}

int flush(int (*real)(int), int fd)
{
    if (const int error = flushError(fd)) {
        errno = error;
        return -1;
    }
    return real(fd);
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* data, size_t count)
{
    static const auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    const ssize_t granted = allowance(fd, count);
    if (granted < 0)
        return -1;
    return real(fd, data, static_cast<size_t>(granted));
}

ssize_t pwrite(int fd, const void* data, size_t count, off_t offset)
{
    static const auto real = next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    const ssize_t granted = allowance(fd, count);
    if (granted < 0)
        return -1;
    return real(fd, data, static_cast<size_t>(granted), offset);
}

ssize_t pwrite64(int fd, const void* data, size_t count, off64_t offset)
{
    static const auto real = next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    const ssize_t granted = allowance(fd, count);
    if (granted < 0)
        return -1;
    return real(fd, data, static_cast<size_t>(granted), offset);
}

// A vector write is all or nothing here: enough for the callers of interest.
ssize_t writev(int fd, const struct iovec* vector, int parts)
{
    static const auto real = next<ssize_t (*)(int, const struct iovec*, int)>("writev");
    size_t total = 0;
    for (int i = 0; i < parts; ++i)
        total += vector[i].iov_len;
    const ssize_t granted = allowance(fd, total);
    if (granted < 0)
        return -1;
    if (static_cast<size_t>(granted) < total) {
        budget() += static_cast<long long>(granted); // give it back, and refuse the whole
        errno = ENOSPC;
        return -1;
    }
    return real(fd, vector, parts);
}

int fsync(int fd)
{
    static const auto real = next<int (*)(int)>("fsync");
    return flush(real, fd);
}

int fdatasync(int fd)
{
    static const auto real = next<int (*)(int)>("fdatasync");
    return flush(real, fd);
}

int syncfs(int fd)
{
    static const auto real = next<int (*)(int)>("syncfs");
    if (flushLoses(fd)) {
        errno = EIO;
        return -1;
    }
    const int done = real(fd);
    if (done == 0 && g_anyOverdrawn.load() && inFolder(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return done;
}

int close(int fd)
{
    static const auto real = next<int (*)(int)>("close");
    const bool failed = overdrawn(fd);
    if (failed)
        g_overdrawn[fd] = false;
    const int done = real(fd);
    if (done == 0 && failed) {
        errno = ENOSPC;
        return -1;
    }
    return done;
}

} // extern "C"
