#include "platform/Failure.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace quillon {

QString describe(ErrorCode code)
{
    switch (code) {
    case ErrorCode::InvalidArgument:
        return QStringLiteral("Invalid procedure call or argument");
    case ErrorCode::Overflow:
        return QStringLiteral("Overflow");
    case ErrorCode::TypeMismatch:
        return QStringLiteral("Type mismatch");
    case ErrorCode::FileNotFound:
        return QStringLiteral("File not found");
    case ErrorCode::DiskFull:
        return QStringLiteral("Disk full");
    case ErrorCode::PermissionDenied:
        return QStringLiteral("Permission denied");
    case ErrorCode::FileAccessError:
        return QStringLiteral("Path/File access error");
    case ErrorCode::PathNotFound:
        return QStringLiteral("Path not found");
    case ErrorCode::NotAPicture:
        return QStringLiteral("Invalid picture");
    case ErrorCode::NotARegularFile:
        return QStringLiteral("Not a regular file");
    case ErrorCode::OutsideSiteRoot:
        return QStringLiteral("Path climbs out of the site's root folder");
    case ErrorCode::FileTooLarge:
        return QStringLiteral("File too large");
    case ErrorCode::TransferFailed:
        return QStringLiteral("Transfer failed");
    case ErrorCode::UnsupportedAddress:
        return QStringLiteral("Unsupported or malformed address");
    case ErrorCode::HostNotFound:
        return QStringLiteral("Host not found");
    case ErrorCode::ConnectFailed:
        return QStringLiteral("Could not connect to the server");
    case ErrorCode::TransferTimedOut:
        return QStringLiteral("Transfer timed out");
    case ErrorCode::TooManyRedirects:
        return QStringLiteral("Too many redirects");
    case ErrorCode::TransferTooLarge:
        return QStringLiteral("Transfer larger than the limit");
    case ErrorCode::TransferNotFound:
        return QStringLiteral("Remote file not found");
    case ErrorCode::TransferStopped:
        return QStringLiteral("Transfer stopped");
    case ErrorCode::FileChanged:
        return QStringLiteral("File changed on disk while it was being tagged");
    }
    return QStringLiteral("Unknown error");
}

Failure failureFromErrno(int err, const QString& path)
{
    const QString detail = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(err)));
    switch (err) {
    case ENOENT: {
        const QFileInfo info(path);
        const bool folderExists = QFileInfo(info.absolutePath()).isDir();
        return folderExists ? Failure(ErrorCode::FileNotFound, detail)
                            : Failure(ErrorCode::PathNotFound, detail);
    }
    case ENOTDIR:
        return Failure(ErrorCode::PathNotFound, detail);
    case EACCES:
    case EPERM:
    case EROFS:
        return Failure(ErrorCode::PermissionDenied, detail);
    case ENOSPC:
    case EDQUOT:
        return Failure(ErrorCode::DiskFull, detail);
    case EISDIR:
        return Failure(ErrorCode::NotARegularFile, detail);
    default:
        return Failure(ErrorCode::FileAccessError, detail);
    }
}

} // namespace quillon
