#include "platform/FileReading.h"

#include "platform/PosixFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

using posix::encoded;
using posix::stampFrom;

Result<RegularFile> openRegularFile(const QString& path)
{
    RegularFile file;
    file.descriptor.reset(::open(encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.descriptor.isOpen())
        return failureFromErrno(errno, path);
    struct stat st { };
    if (::fstat(file.descriptor.get(), &st) != 0)
        return failureFromErrno(errno, path);
    if (!S_ISREG(st.st_mode))
        return Failure(ErrorCode::NotARegularFile, path);
    file.stamp = stampFrom(st);
    return file;
}

Result<QByteArray> readWholeFile(const QString& path, FileStamp* stamp)
{
    Result<RegularFile> opened = openRegularFile(path);
    if (!opened)
        return opened.failure();
    const RegularFile& file = *opened;
    if (file.stamp.size > kMaxWholeFile)
        return Failure(ErrorCode::FileTooLarge, path);
    if (stamp)
        *stamp = file.stamp;

    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(file.stamp.size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.descriptor.get(), buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return failureFromErrno(errno, path);
        }
        if (bytes.size() + n > kMaxWholeFile)
            return Failure(ErrorCode::FileTooLarge, path); // it grew while being read
        bytes.append(buffer, n);
    }
    return bytes;
}

Result<FileStamp> stampOf(const QString& path)
{
    struct stat st { };
    if (::stat(encoded(path).constData(), &st) != 0)
        return failureFromErrno(errno, path);
    return stampFrom(st);
}

} // namespace quillon
