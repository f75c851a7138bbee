#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

#ifdef Q_OS_UNIX
#include "platform/FileDescriptor.h"
#endif

namespace quillon {

// What tells one version of a file from another.
struct FileStamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    quint64 device = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

#ifdef Q_OS_UNIX
// A regular file open for reading, and the stamp of the version opened.
struct RegularFile {
    FileDescriptor descriptor;
    FileStamp stamp;
};

// Opens the file at path for reading, but only a regular file: a folder, FIFO
// or device fails with NotARegularFile at once, without blocking (a FIFO is
// opened without waiting for a writer and turned away before any read).
// A missing file fails with 53, a missing folder on the path with 76.
Result<RegularFile> openRegularFile(const QString& path);
#endif

// Reads every byte of the regular file at path. A file that cannot be read to
// its end fails; a short read is never taken for the whole file. A folder, FIFO
// or device fails at once without blocking. stamp, when given, receives the
// stamp of the version read.
// A file larger than kMaxWholeFile (a sparse one may claim any size) fails with
// FileTooLarge before anything is held for it.
constexpr qint64 kMaxWholeFile = qint64(1) << 30;
Result<QByteArray> readWholeFile(const QString& path, FileStamp* stamp = nullptr);

// The stamp of the file at path as it is now (a link is followed).
Result<FileStamp> stampOf(const QString& path);

} // namespace quillon
