#pragma once

#include "engine/run/BackupIndex.h"
#include "engine/run/RunReport.h"
#include "engine/run/TagOptions.h"

#include <QString>

namespace quillon {

// Undoes the runs over pages: each page's backup is put back in its place,
// atomically and only over the version read, when the page is that backup with
// nothing changed but what a run writes. A page edited since keeps its bytes
// and gets an error row; nothing is removed, the backups included.
class BackupRestore {
public:
    // Backups are where options place them: beside each page, or in the global
    // folder, whose index is read here once. With options.dryRun nothing is
    // written, and the rows say what would happen.
    explicit BackupRestore(TagOptions options);

    // Where page's backup is; empty when no backup is known.
    QString backupOf(const QString& page) const;
    ReportRow restore(const QString& page) const;

private:
    TagOptions m_options;
    BackupIndex m_index;
};

} // namespace quillon
