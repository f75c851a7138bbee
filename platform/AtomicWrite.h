#pragma once

#include "platform/FileReading.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ctime>

namespace quillon {

// Replaces the file at path with bytes so that the file holds either its old
// bytes or the new ones, never a mix: a temporary file in the same folder is
// written, flushed to disk and renamed over the target. The target keeps its
// permission bits; a symbolic link is followed and kept. A file whose permission
// bits forbid writing (judged here, also for root) or that is immutable is not
// replaced. A new file gets the usual permissions for new files. With expected,
// a file that is no longer the version read (changed, replaced or deleted
// since) is left alone and the write fails with FileChanged.
Status writeFileAtomic(const QString& path, const QByteArray& bytes, const FileStamp* expected = nullptr);

// A replacement written beside its target but not yet put in place, so that
// many can be flushed to disk with one sync before they are renamed.
struct StagedWrite {
    QString target;
    QString temp;
    FileStamp expected;
    bool checkExpected = false;
};

// What a write does with a symbolic link at its path: a page's link leads to
// the page it stands for; a link where a backup goes is replaced by the backup,
// so that it can never send the backup's bytes over some other file.
enum class Links { Follow, Replace };

// Everything writeFileAtomic does short of the rename (and, without flush, of
// flushing the new bytes to disk).
Result<StagedWrite> stageFileAtomic(const QString& path, const QByteArray& bytes, const FileStamp* expected,
    bool flush, Links links = Links::Follow);
// Puts a staged file in place; its target must still be the version read.
Status commitStaged(const StagedWrite& staged);
// The same, and the rename itself is flushed to disk.
Status commitStagedDurably(const StagedWrite& staged);
void discardStaged(const StagedWrite& staged);
// Flushes everything written to the file systems that hold paths, once each.
// Returns the paths whose bytes may not be on disk: their file system reported
// written bytes that did not reach it, or could not be reached to be flushed.
QStringList syncFileSystems(const QStringList& paths);

// Staged files a run killed outright leaves behind. The time on the clock the
// file systems stamp files by: a file written from now on is never older.
timespec fileClockNow();
// The names in folder that have the shape of a staged file, ".NAME.quillon-XXXXXX".
QStringList stagedNamesIn(const QString& folder);
// Removes, of names (in path's folder or, for a link, its target's), the files
// staged for path and for its backup path + ".bak", named exactly as a write of
// ours names them and last changed before `before`; anything else stays,
// another program's files and a running write's included.
void removeStaleStaged(const QString& path, const QStringList& names, const timespec& before);

} // namespace quillon
