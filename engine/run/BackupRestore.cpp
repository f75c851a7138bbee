#include "engine/run/BackupRestore.h"

#include "engine/run/DocumentCommit.h"
#include "engine/run/WrittenClauses.h"
#include "platform/FileReading.h"

#include <QDir>
#include <QFileInfo>

namespace quillon {

BackupRestore::BackupRestore(TagOptions options)
    : m_options(std::move(options))
{
    if (m_options.globalBackups)
        m_index = BackupIndex::load(m_options.backupPath);
}

QString BackupRestore::backupOf(const QString& page) const
{
    if (!m_options.globalBackups)
        return page + QStringLiteral(".bak");
    const QString name = m_index.backupOf(page);
    return name.isEmpty() ? QString() : QDir(m_options.backupPath).filePath(name);
}

ReportRow BackupRestore::restore(const QString& page) const
{
    ReportRow row { page, QString(), Outcome::Restored, {}, {}, 0, 0 };
    auto ended = [&row](Outcome outcome, const Failure& failure = {}) {
        row.outcome = outcome;
        row.failure = failure;
        return row;
    };
    const QString backup = backupOf(page);
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
    if (m_options.dryRun)
        return row;

    std::optional<Outcome> failure;
    const StagedDocument staged = stageDocument(page, *before, readVersion, std::nullopt, true, &failure);
    if (!failure)
        failure = commitDocument(staged, true, true);
    return failure ? ended(*failure) : row;
}

} // namespace quillon
