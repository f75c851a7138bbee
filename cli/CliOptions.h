#pragma once

#include "engine/TagOptions.h"

#include <QStringList>

#include <optional>

namespace quillon {

// Exit statuses of quillon-tag.
enum ExitStatus : int {
    ExitSuccess = 0,    // every tag was handled without an error
    ExitTagErrors = 1,  // at least one report row ends in an error
    ExitUsage = 2,      // the command line is wrong, or a FILE does not exist
};

// What the command line asks for.
struct CliOptions {
    TagOptions tagging;    // the options of the run, a fresh store's defaults unless changed
    QStringList files;     // the documents, in the order given
    bool help = false;     // print the usage and stop
    bool version = false;  // print the version and stop
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
