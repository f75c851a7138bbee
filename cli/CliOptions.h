#pragma once

#include "engine/run/TagOptions.h"

#include <QStringList>

#include <optional>

namespace quillon {

// Exit statuses of quillon-tag.
enum ExitStatus : int {
    ExitSuccess = 0, // every tag was handled without an error
    ExitTagErrors = 1, // at least one report row ends in an error (with --check: or a finding)
    ExitUsage = 2, // the command line is wrong, or a PATH does not exist
    ExitReportUnwritten = 3, // the report could not be written whole
    ExitInterrupted = 130, // stopped by SIGINT (128 + its number)
    ExitTerminated = 143, // stopped by SIGTERM (128 + its number)
};

enum class ReportFormat { Text, Json, Csv, Lint };

// The tagging options given on the command line; what is not given comes from
// the defaults, or with --use-settings from the desktop program's store.
struct TagOverrides {
    std::optional<bool> online;
    std::optional<bool> addBorder;
    std::optional<QString> borderSize;
    std::optional<bool> addAlt;
    std::optional<double> altTextIndex;
    std::optional<QString> altText;
    std::optional<bool> generateBackups;
    std::optional<QString> backupDir; // makes the backups global
    std::optional<bool> lowerCaseClauses; // width="30" on every page, not only on XHTML ones
    std::optional<bool> rememberSizes; // false: neither read nor write the remote sizes cache

    void applyTo(TagOptions& options) const;
};

// What the command line asks for.
struct CliOptions {
    TagOverrides tagging; // the tagging options given
    QStringList paths; // files and folders, as given
    bool recursive = false; // folders below the folders given too
    QString siteRoot; // where "/..." pictures are looked up
    bool dryRun = false; // write nothing
    bool restore = false; // put the pages back from their backups instead of tagging them
    bool diff = false; // with dryRun: a unified diff instead of the report
    bool check = false; // write nothing; fail on every tag that would change and every stale size
    bool fixStale = false; // write stale heights again from the width and the picture's shape
    ReportFormat report = ReportFormat::Text;
    int jobs = 0; // documents at once; 0: one per processor, and at least 8 online
    bool quiet = false; // only rows that end in an error, and the totals
    bool progress = true; // a progress line on standard error while it is a terminal
    bool useSettings = false; // start from the desktop program's stored options
    bool help = false; // print the usage and stop
    bool version = false; // print the version and stop
};

// Either the options to run with, or the exit status to stop with (after the
// message written to err).
struct ParseResult {
    std::optional<CliOptions> options;
    int exitStatus = ExitSuccess;
    QString error;
};

ParseResult parseCommandLine(const QStringList& arguments);

// The text of --help.
QString usageText();

} // namespace quillon
