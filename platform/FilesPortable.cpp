// The file operations where POSIX calls are missing, on Qt's own file classes:
// no staging, no flushing of folders, stamps without inode numbers.
#include "platform/AtomicWrite.h"
#include "platform/FileReading.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quillon {

Result<QByteArray> readWholeFile(const QString& path, FileStamp* stamp)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QFileInfo(info.absolutePath()).isDir() ? Failure(ErrorCode::FileNotFound, path)
                                                      : Failure(ErrorCode::PathNotFound, path);
    if (!info.isFile())
        return Failure(ErrorCode::NotARegularFile, path);
    if (info.size() > kMaxWholeFile)
        return Failure(ErrorCode::FileTooLarge, path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(ErrorCode::PermissionDenied, file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Failure(ErrorCode::FileAccessError, file.errorString());
    if (stamp)
        *stamp = FileStamp { info.size(), info.lastModified().toMSecsSinceEpoch() * 1000000, 0, 0 };
    return bytes;
}

Status writeFileAtomic(const QString& path, const QByteArray& bytes, const FileStamp* expected)
{
    const QFileInfo info(path);
    if (expected
        && (!info.exists() || info.size() != expected->size
            || info.lastModified().toMSecsSinceEpoch() * 1000000 != expected->modifiedNs))
        return Failure(ErrorCode::FileChanged, path);
    if (!QFileInfo(info.absolutePath()).isDir())
        return Failure(ErrorCode::PathNotFound, path);
    if (info.exists() && !info.isWritable())
        return Failure(ErrorCode::PermissionDenied, path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Failure(ErrorCode::PermissionDenied, file.errorString());
    file.write(bytes);
    if (!file.commit())
        return Failure(ErrorCode::FileAccessError, file.errorString());
    return {};
}

Result<FileStamp> stampOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Failure(ErrorCode::FileNotFound, path);
    return FileStamp { info.size(), info.lastModified().toMSecsSinceEpoch() * 1000000, 0, 0 };
}

// Without staging on this platform, a staged write is made at once.
Result<StagedWrite> stageFileAtomic(
    const QString& path, const QByteArray& bytes, const FileStamp* expected, bool, Links)
{
    if (Status written = writeFileAtomic(path, bytes, expected); !written)
        return written.failure();
    StagedWrite staged;
    staged.target = path;
    return staged;
}

Status commitStaged(const StagedWrite&)
{
    return {};
}

Status commitStagedDurably(const StagedWrite&)
{
    return {};
}

void discardStaged(const StagedWrite&)
{
}

Status syncFileSystems(const QStringList&)
{
    return {};
}

} // namespace quillon
