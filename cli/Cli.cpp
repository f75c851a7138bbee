#include "cli/Cli.h"

#include "cli/CliOptions.h"
#include "engine/CurlFetcher.h"
#include "engine/StatusTexts.h"
#include "engine/TaggingEngine.h"

#include <QFileInfo>

namespace quillon {

int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CurlFetcher fetcher{TransferLimits()};
    return runCli(arguments, out, err, fetcher);
}

int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err, ImageFetcher& fetcher)
{
    const ParseResult parsed = parseCommandLine(arguments);
    if (!parsed.options) {
        err << parsed.error;
        err.flush();
        return parsed.exitStatus;
    }
    const CliOptions& options = *parsed.options;
    if (options.help) {
        out << usageText();
        return ExitSuccess;
    }
    if (options.version) {
        out << QStringLiteral("quillon-tag " QUILLON_VERSION "\n");
        return ExitSuccess;
    }
    // Every file is checked before any is touched.
    for (const QString& file : options.files) {
        if (!QFileInfo(file).isFile()) {
            err << QStringLiteral("quillon-tag: %1: no such file\n").arg(file);
            err.flush();
            return ExitUsage;
        }
    }

    const TagOptions tagging = options.tagging;
    TaggingEngine engine([tagging] { return tagging; }, fetcher);
    engine.run(options.files);

    bool anyError = false;
    for (const ReportRow& row : engine.report().rows()) {
        out << row.file << u'\t' << row.image << u'\t' << row.status << u'\n';
        anyError = anyError || status::isError(row.status);
    }
    const Counters& counters = engine.report().counters();
    out << QStringLiteral("Found %1, Tagged %2, Errors %3\n")
               .arg(counters.totalOf(Counter::Found))
               .arg(counters.totalOf(Counter::Tagged))
               .arg(counters.totalOf(Counter::Errors));
    out.flush();
    return anyError ? ExitTagErrors : ExitSuccess;
}

} // namespace quillon
