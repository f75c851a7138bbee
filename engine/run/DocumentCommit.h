#pragma once

#include "engine/run/Outcome.h"
#include "platform/FileOps.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillon {

// A document's new bytes and its backup, written beside their targets but not
// yet in place.
struct StagedDocument {
    std::optional<StagedWrite> backup;
    std::optional<StagedWrite> document;
};

// Stages a page's new bytes beside it, to replace the version that was read.
// When the page cannot take them (read-only, say) the staged backup is let go,
// so the page keeps its earlier backup; when someone changed the page meanwhile
// the backup of what was read is kept, to be put in place alone. On a failure
// *failure gets its outcome. flush: each staged file is flushed at once.
StagedDocument stageDocument(const QString& path, const QByteArray& bytes, const FileStamp& readVersion,
    std::optional<StagedWrite> backup, bool flush, std::optional<Outcome>* failure);

// Puts a staged document in place: the backup first, then the page, and the
// page only over the version read. flushed: the staged bytes reached the disk
// (each flushed when written, or the caller's one flush for many succeeded);
// durable: each rename is flushed too. Returns the outcome of a failure, or
// nothing; what was not put in place is let go.
std::optional<Outcome> commitDocument(const StagedDocument& staged, bool flushed, bool durable);

// True when commitDocument, ending in failed, put the staged backup in place.
inline bool backupPlaced(const StagedDocument& staged, std::optional<Outcome> failed)
{
    return staged.backup && failed != Outcome::BackupFailed;
}

} // namespace quillon
