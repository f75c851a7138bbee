#include "engine/run/BackupRestore.h"

#include "engine/run/BackupIndex.h"
#include "engine/run/DocumentCommit.h"
#include "engine/run/WrittenClauses.h"
#include "platform/FileReading.h"

#include <QDir>
#include <QFileInfo>

namespace quillon {

QString backupFileOf(const QString& page, const TagOptions& options)
{
    if (!options.globalBackups)
        return page + QStringLiteral(".bak");
    const QString name = BackupIndex::load(options.backupPath).backupOf(page);
    return name.isEmpty() ? QString() : QDir(options.backupPath).filePath(name);
}

ReportRow restoreFromBackup(const QString& page, const TagOptions& options)
{
    ReportRow row { page, QString(), Outcome::Restored, {} };
    auto ended = [&row](Outcome outcome, const Failure& failure = {}) {
        row.outcome = outcome;
        row.failure = failure;
        return row;
    };
    const QString backup = backupFileOf(page, options);
    if (backup.isEmpty() || !QFileInfo::exists(backup))
        return ended(Outcome::NoBackup);
    FileStamp readVersion;
    const Result<QByteArray> now = readWholeFile(page, &readVersion);
    if (!now)
        return ended(Outcome::ReadFailed, now.failure());
    const Result<QByteArray> before = readWholeFile(backup);
    if (!before)
        return ended(Outcome::ReadFailed, before.failure());
    if (*now == *before)
        return ended(Outcome::NoChanges);
    if (!onlyWrittenClausesDiffer(*before, *now))
        return ended(Outcome::NotRestoredChanged);
    if (options.dryRun)
        return row;

    std::optional<Outcome> failure;
    const StagedDocument staged = stageDocument(page, *before, readVersion, std::nullopt, true, &failure);
    if (!failure)
        failure = commitDocument(staged, true, true);
    return failure ? ended(*failure) : row;
}

} // namespace quillon
