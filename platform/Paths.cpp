#include "platform/Paths.h"

#include <QDir>

namespace quillon {

QChar nativeSeparator()
{
    return QDir::separator();
}

bool isSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

static qsizetype lastSeparator(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path.at(i)))
            return i;
    }
    return -1;
}

QString GetFileName(const QString& path)
{
    return path.mid(lastSeparator(path) + 1);
}

QString GetPath(const QString& path)
{
    return path.left(lastSeparator(path) + 1);
}

QString withTrailingSeparator(const QString& folder)
{
    if (folder.isEmpty() || isSeparator(folder.back()))
        return folder;
    return folder + nativeSeparator();
}

} // namespace quillon
