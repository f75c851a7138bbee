// A disk that fills up, preloaded into a program: files in one folder share a
// budget of bytes, and the disk fails in one of three ways.
//
//   QUILLON_FULL_DISK_FOLDER  the folder, as an absolute path without links
//   QUILLON_FULL_DISK_BYTES   bytes its files may still take
//   QUILLON_FULL_DISK_MODE    "write": what passes the budget is refused with ENOSPC;
//                             "close": every write is taken, but a file that went past
//                             the budget fails its fsync() and close(), and so does a
//                             syncfs() of the folder, as on a network disk or a quota;
//                             "flush": every write is taken, every flush fails with EIO
//
// Only calls made through the C library are caught; everything else passes.

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

const std::string g_folder = std::getenv("QUILLON_FULL_DISK_FOLDER") ?: "";
const std::string g_mode = std::getenv("QUILLON_FULL_DISK_MODE") ?: "write";
std::atomic<long long> g_left {
    std::getenv("QUILLON_FULL_DISK_BYTES") ? std::atoll(std::getenv("QUILLON_FULL_DISK_BYTES")) : LLONG_MAX
};
constexpr int kTracked = 65536;
std::atomic<bool> g_overdrawn[kTracked]; // files past the budget in "close" mode
std::atomic<bool> g_anyOverdrawn { false };

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
    const long long wanted = (long long)count;
    long long left = g_left.load();
    if (g_mode != "write") {
        while (!g_left.compare_exchange_weak(left, left - wanted)) { }
        if (left < wanted && fd < kTracked)
            g_overdrawn[fd] = g_anyOverdrawn = true;
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

bool overdrawn(int fd)
{
    return fd >= 0 && fd < kTracked && g_overdrawn[fd];
}

// The error a flush of fd meets, or 0.
int flushError(int fd, bool wholeDisk)
{
    if (g_mode == "flush" && inFolder(fd, true))
        return EIO;
    return overdrawn(fd) || (wholeDisk && g_anyOverdrawn && inFolder(fd, true)) ? ENOSPC : 0;
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* data, size_t count)
{
    static const auto next = real<ssize_t (*)(int, const void*, size_t)>("write");
    const ssize_t granted = allowance(fd, count);
    return granted < 0 ? -1 : next(fd, data, size_t(granted));
}

int fsync(int fd)
{
    static const auto next = real<int (*)(int)>("fsync");
    if (const int error = flushError(fd, false)) {
        errno = error;
        return -1;
    }
    return next(fd);
}

int syncfs(int fd)
{
    static const auto next = real<int (*)(int)>("syncfs");
    if (const int error = flushError(fd, true)) {
        errno = error;
        return -1;
    }
    return next(fd);
}

int close(int fd)
{
    static const auto next = real<int (*)(int)>("close");
    const bool failed = overdrawn(fd);
    if (failed)
        g_overdrawn[fd] = false;
    const int done = next(fd);
    if (done == 0 && failed) {
        errno = ENOSPC;
        return -1;
    }
    return done;
}

} // extern "C"
