#include "cli/SiteFiles.h"

#include "platform/FileOps.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace quillon {

namespace {

bool isHtmlName(const QString& name)
{
    return name.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive)
        || name.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive);
}

// The same document reached by two spellings counts once: the file itself tells
// who it is, where the file system says (one call, where resolving the spelling
// would ask for every folder on the way).
QString identity(const QString& path)
{
    const Result<FileStamp> stamp = stampOf(path);
    if (stamp && (stamp->device != 0 || stamp->inode != 0))
        return QStringLiteral("%1:%2").arg(stamp->device).arg(stamp->inode);
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

Result<QStringList> collectDocuments(const QStringList& paths, bool recursive)
{
    QStringList found;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            const QString folder = path.endsWith(u'/') ? path.chopped(1) : path;
            QDirIterator it(folder, QDir::Files | QDir::Hidden,
                            recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
            while (it.hasNext()) {
                const QString file = it.next();
                if (isHtmlName(it.fileName()))
                    found.append(file);
            }
        } else if (info.exists()) {
            found.append(path);
        } else {
            return Failure(ErrorCode::FileNotFound, path);
        }
    }
    std::sort(found.begin(), found.end());
    QStringList documents;
    QSet<QString> seen;
    for (const QString& file : found) {
        const QString id = identity(file);
        if (!seen.contains(id)) {
            seen.insert(id);
            documents.append(file);
        }
    }
    return documents;
}

} // namespace quillon
