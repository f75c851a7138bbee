#pragma once

// What the POSIX implementations of the file operations share; not for use
// outside platform/.

#include "platform/FileReading.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/stat.h>

namespace quillon::posix {

inline QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

inline FileStamp stampFrom(const struct stat& st)
{
    FileStamp stamp;
    stamp.size = st.st_size;
    stamp.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.inode = st.st_ino;
    stamp.device = st.st_dev;
    return stamp;
}

} // namespace quillon::posix
