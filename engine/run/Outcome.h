#pragma once

#include "platform/Failure.h"

#include <QString>

namespace quillon {

// What became of a tag or a document, as a value. Words are made from it only
// where a person reads them (outcomeText); everything that counts or decides
// reads the value.
enum class Outcome : quint8 {
    Pending, // a row just added, not yet decided
    Tagged, // clauses were added
    StaleFixed, // a stale height was written from the picture's shape (clauses may have been added too)
    NoChanges, // the tag had all it needed
    SourceSized, // a picture's <source> got a size of its own shape
    Downloading, // a remote picture is being fetched
    Restored, // the page was put back from its backup
    // Skipped: the tag is left as it is, and that is no error.
    Offline,
    SizeInOtherUnits,
    SizeNotANumber,
    SizeOutOfRange,
    TemplatePath, // the picture's path is filled in by a template system later
    Stopped, // the run was stopped before the page was written; the page is as it was
    NoBackup, // a page to put back has no backup
    // Findings: the tag is left as it is and that is no error, but a check fails on it.
    WouldTag, // a check run: the tag lacks the clauses in the row's detail
    StaleSize, // both sides given, and neither fits the picture's shape (its size in the row's detail)
    // Errors: the tag or the document is left as it is, and the user should look.
    NoSrc,
    NoSiteRoot,
    ImageNotFound, // a folder on the picture's path does not exist
    PictureFailed, // a local picture that cannot be read or measured; see the row's failure
    DownloadFailed, // a remote picture that cannot be fetched or measured; see the row's failure
    BackupFailed,
    WriteFailed,
    ReadFailed,
    NotRestoredChanged, // the page was edited since it was tagged, and keeps its bytes
};

enum class OutcomeKind : quint8 { Pending, Tagged, NothingNeeded, Skipped, Finding, Error };

OutcomeKind kindOf(Outcome outcome);
inline bool isError(Outcome outcome)
{
    return kindOf(outcome) == OutcomeKind::Error;
}
// What a check run fails on: every error, and every tag it would change or finds stale.
inline bool failsCheck(Outcome outcome)
{
    return isError(outcome) || kindOf(outcome) == OutcomeKind::Finding;
}

// The report's words for an outcome ("Success!", "Error: [53] Unable to download
// image."); failure gives the number where the words have one, detail the values
// some words show (the clauses a tag would get, a picture's size).
QString outcomeText(Outcome outcome, const Failure& failure = {}, const QString& detail = {});
// A short stable name for machine-readable reports ("tagged", "download-failed").
QString outcomeName(Outcome outcome);

} // namespace quillon
