#pragma once

#include "engine/run/RunReport.h"
#include "engine/run/TagOptions.h"

#include <QString>

namespace quillon {

// Where page's backup is, as options place backups: beside the page, or in the
// global folder where its index lists it. Empty when no backup is known.
QString backupFileOf(const QString& page, const TagOptions& options);

// Undoes the runs over page: its backup is put back in its place, atomically
// and only over the version read, when the page is that backup with nothing
// changed but what a run writes. A page edited since keeps its bytes and gets
// an error row; nothing is removed, the backup included. With options.dryRun
// nothing is written, and the row says what would happen.
ReportRow restoreFromBackup(const QString& page, const TagOptions& options);

} // namespace quillon
