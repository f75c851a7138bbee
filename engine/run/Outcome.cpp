#include "engine/run/Outcome.h"

#include <array>

using namespace Qt::StringLiterals;

namespace quillon {

namespace {

struct OutcomeWords {
    Outcome outcome;
    OutcomeKind kind;
    const char* name;
    const char* text; // %1 is the failure's number, %2 the row's detail
};

// The one table of what the report says. The words are the ones users know; keep them.
constexpr std::array kOutcomes {
    OutcomeWords { Outcome::Pending, OutcomeKind::Pending, "pending", "" },
    OutcomeWords { Outcome::Tagged, OutcomeKind::Tagged, "tagged", "Success!" },
    OutcomeWords {
        Outcome::StaleFixed, OutcomeKind::Tagged, "stale-fixed", "Success! Stale height corrected." },
    OutcomeWords {
        Outcome::NoChanges, OutcomeKind::NothingNeeded, "no-changes", "Skipped: No changes needed." },
    OutcomeWords { Outcome::SourceSized, OutcomeKind::Tagged, "source-sized",
        "Success! Source sized to its own picture's shape." },
    OutcomeWords { Outcome::Downloading, OutcomeKind::Pending, "downloading", "Downloading image ..." },
    OutcomeWords { Outcome::Restored, OutcomeKind::Tagged, "restored", "Restored from its backup." },
    OutcomeWords { Outcome::Offline, OutcomeKind::Skipped, "offline", "Skipped: Offline Mode." },
    OutcomeWords { Outcome::SizeInOtherUnits, OutcomeKind::Skipped, "size-in-other-units",
        "Skipped: Size given in other units." },
    OutcomeWords { Outcome::SizeNotANumber, OutcomeKind::Skipped, "size-not-a-number",
        "Skipped: Size given is not a number." },
    OutcomeWords { Outcome::SizeOutOfRange, OutcomeKind::Skipped, "size-out-of-range",
        "Skipped: Size given is out of range." },
    OutcomeWords {
        Outcome::TemplatePath, OutcomeKind::Skipped, "template-path", "Skipped: Image path is a template." },
    OutcomeWords {
        Outcome::Stopped, OutcomeKind::Skipped, "stopped", "Skipped: Stopped before this file was written." },
    OutcomeWords { Outcome::NoBackup, OutcomeKind::Skipped, "no-backup", "Skipped: No backup to restore." },
    OutcomeWords { Outcome::WouldTag, OutcomeKind::Finding, "would-tag", "Would add %2." },
    OutcomeWords { Outcome::StaleSize, OutcomeKind::Finding, "stale-size",
        "Stale: Size given does not match the picture (%2)." },
    OutcomeWords { Outcome::NoSrc, OutcomeKind::Error, "no-src", "Error: SRC= property not found." },
    OutcomeWords { Outcome::NoSiteRoot, OutcomeKind::Error, "no-site-root",
        "Error: Image path starts at the site root, and no root is given." },
    OutcomeWords { Outcome::ImageNotFound, OutcomeKind::Error, "image-not-found", "Error: Image not found." },
    OutcomeWords { Outcome::PictureFailed, OutcomeKind::Error, "picture-failed",
        "Error: [%1] Unable to download image." },
    OutcomeWords { Outcome::DownloadFailed, OutcomeKind::Error, "download-failed",
        "Error: [%1] Unable to download image." },
    OutcomeWords { Outcome::BackupFailed, OutcomeKind::Error, "backup-failed",
        "Error: Unable to write backup. File not changed." },
    OutcomeWords { Outcome::WriteFailed, OutcomeKind::Error, "write-failed",
        "Error: Unable to write file. File not changed." },
    OutcomeWords { Outcome::ReadFailed, OutcomeKind::Error, "read-failed", "Error: Unable to read file." },
    OutcomeWords { Outcome::NotRestoredChanged, OutcomeKind::Error, "changed-since-tagged",
        "Error: Page changed since it was tagged. Not restored." },
};

constexpr const OutcomeWords& wordsFor(Outcome outcome)
{
    return kOutcomes[static_cast<std::size_t>(outcome)];
}

// The table is indexed by the enum: every outcome in its place, once.
constexpr bool tableInEnumOrder()
{
    for (std::size_t i = 0; i < kOutcomes.size(); ++i) {
        if (static_cast<std::size_t>(kOutcomes[i].outcome) != i)
            return false;
    }
    return kOutcomes.size() == static_cast<std::size_t>(Outcome::NotRestoredChanged) + 1;
}
static_assert(tableInEnumOrder());

} // namespace

OutcomeKind kindOf(Outcome outcome)
{
    return wordsFor(outcome).kind;
}

QString outcomeText(Outcome outcome, const Failure& failure, const QString& detail)
{
    QString text = QString::fromLatin1(wordsFor(outcome).text);
    text.replace(u"%1"_s, QString::number(failure.code));
    return text.replace(u"%2"_s, detail);
}

QString outcomeName(Outcome outcome)
{
    return QString::fromLatin1(wordsFor(outcome).name);
}

} // namespace quillon
