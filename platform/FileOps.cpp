#include "platform/FileOps.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#else
#include <QFile>
#endif

namespace quillon {

#ifdef Q_OS_UNIX
Status deleteFile(const QString& path)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return failureFromErrno(errno, path);
    return {};
}
#else
Status deleteFile(const QString& path)
{
    if (!QFileInfo::exists(path))
        return Failure(ErrorCode::FileNotFound, path);
    if (!QFile::remove(path))
        return Failure(ErrorCode::PermissionDenied, path);
    return {};
}
#endif

Status makeFolders(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return {};
    if (!QDir().mkpath(folder))
        return Failure(ErrorCode::PermissionDenied, folder + QStringLiteral(": cannot create folder"));
    return {};
}

} // namespace quillon
