#include "cli/SiteFiles.h"

#include "platform/PageList.h"

namespace quillon {

Result<QStringList> collectDocuments(const QStringList& paths, bool recursive)
{
    QString missing;
    PageList documents;
    documents.add(paths, recursive, [&missing](PageList::Refusal why, const QString& path) {
        if (why == PageList::Refusal::NotFound && missing.isEmpty())
            missing = path;
    });
    if (!missing.isEmpty())
        return Failure(ErrorCode::FileNotFound, missing);
    return documents.paths();
}

} // namespace quillon
