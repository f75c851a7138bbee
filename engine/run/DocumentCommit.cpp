#include "engine/run/DocumentCommit.h"

namespace quillon {

StagedDocument stageDocument(const QString& path, const QByteArray& bytes, const FileStamp& readVersion,
    std::optional<StagedWrite> backup, bool flush, std::optional<Outcome>* failure)
{
    Result<StagedWrite> staged = stageFileAtomic(path, bytes, &readVersion, flush);
    if (staged)
        return StagedDocument { std::move(backup), std::move(staged).value() };
    *failure = Outcome::WriteFailed;
    if (backup && staged.failure().is(ErrorCode::FileChanged))
        return StagedDocument { std::move(backup), std::nullopt };
    if (backup)
        discardStaged(*backup);
    return {};
}

std::optional<Outcome> commitDocument(const StagedDocument& staged, bool flushed, bool durable)
{
    const auto commit = [durable](const StagedWrite& write) {
        return durable ? commitStagedDurably(write) : commitStaged(write);
    };
    if (!flushed) {
        // Bytes the disk may not hold never take a page's place.
        for (const auto& write : { staged.backup, staged.document }) {
            if (write)
                discardStaged(*write);
        }
        if (!staged.backup && !staged.document)
            return std::nullopt;
        return staged.backup ? Outcome::BackupFailed : Outcome::WriteFailed;
    }
    if (staged.backup && !commit(*staged.backup)) {
        if (staged.document)
            discardStaged(*staged.document);
        return Outcome::BackupFailed;
    }
    if (staged.document && !commit(*staged.document))
        return Outcome::WriteFailed;
    return std::nullopt;
}

} // namespace quillon
