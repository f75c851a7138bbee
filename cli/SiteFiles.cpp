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
    QStringList documents;
    QSet<QString> seen;
    const auto take = [&](const QString& file) {
        const QString id = identity(file);
        if (!seen.contains(id)) {
            seen.insert(id);
            documents.append(file);
        }
    };
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            const QString folder = path.endsWith(u'/') ? path.chopped(1) : path;
            QStringList pages;
            QDirIterator it(folder, QDir::Files | QDir::Hidden,
                recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
            while (it.hasNext()) {
                const QString file = it.next();
                if (isHtmlName(it.fileName()))
                    pages.append(file);
            }
            std::sort(pages.begin(), pages.end());
            for (const QString& page : pages)
                take(page);
        } else if (info.exists()) {
            take(path);
        } else {
            return Failure(ErrorCode::FileNotFound, path);
        }
    }
    return documents;
}

} // namespace quillon
