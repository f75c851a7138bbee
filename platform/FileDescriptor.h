#pragma once

#include <utility>

#include <cerrno>
#include <unistd.h>

namespace quillon {

// An open POSIX file descriptor, closed when its owner goes. Move-only: one
// descriptor, one owner.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) noexcept
        : m_fd(fd)
    {
    }
    ~FileDescriptor() { reset(); }

    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(other.release())
    {
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    // Gives the descriptor up without closing it.
    int release() noexcept { return std::exchange(m_fd, -1); }

    // Closes the descriptor held, if any, and holds fd instead.
    void reset(int fd = -1) noexcept
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

    // Closes now, for a caller that must know: a write the kernel took but
    // could not complete shows up as a failed close. 0, or the errno.
    int close() noexcept
    {
        if (m_fd < 0)
            return 0;
        const int rc = ::close(std::exchange(m_fd, -1));
        return rc == 0 ? 0 : errno;
    }

private:
    int m_fd = -1;
};

} // namespace quillon
