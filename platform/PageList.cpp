#include "platform/PageList.h"

#include "platform/FileReading.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quillon {

namespace {

bool isHidden(const QString& name)
{
    return name.startsWith(u'.');
}

void collect(const QString& folder, bool below, QStringList& pages)
{
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    // Hidden entries are asked for and judged by name here, so the rule is the
    // same wherever the file system keeps a hidden mark of its own.
    const QFileInfoList entries
        = QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (isHidden(name))
            continue;
        if (entry.isDir()) {
            // A link to a folder could lead back up and round for ever.
            if (below && !entry.isSymLink())
                collect(prefix + name, below, pages);
        } else if (PageList::isPageName(name)) {
            pages.append(prefix + name);
        }
    }
}

// Two paths to one file give the same identity: its device and inode where the
// file system has them (one call, where resolving the path would ask for every
// folder on the way), its resolved path elsewhere.
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

PageList::PageList(int maxPages)
    : m_maxPages(maxPages)
{
}

bool PageList::isPageName(const QString& name)
{
    return name.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive)
        || name.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive);
}

QStringList PageList::pagesIn(const QString& folder, bool below)
{
    QStringList pages;
    collect(folder, below, pages);
    std::sort(pages.begin(), pages.end());
    return pages;
}

void PageList::add(const QStringList& paths, bool below, const Refused& refused)
{
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists()) {
            refused(Refusal::NotFound, path);
            continue;
        }
        const QStringList pages = info.isDir() ? pagesIn(path, below) : QStringList { path };
        for (const QString& page : pages) {
            if (!take(page, refused))
                return;
        }
    }
}

bool PageList::take(const QString& page, const Refused& refused)
{
    if (m_maxPages > 0 && size() >= m_maxPages) {
        refused(Refusal::Full, page);
        return false;
    }
    const QString id = identity(page);
    if (m_listed.contains(id)) {
        refused(Refusal::AlreadyListed, page);
        return true;
    }
    m_paths.append(page);
    m_identities.append(id);
    m_listed.insert(id);
    return true;
}

void PageList::removeAt(int index)
{
    m_listed.remove(m_identities.takeAt(index));
    m_paths.removeAt(index);
}

void PageList::clear()
{
    m_paths.clear();
    m_identities.clear();
    m_listed.clear();
}

} // namespace quillon
