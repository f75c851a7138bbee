#include "cli/CliOptions.h"

#include "platform/Paths.h"
#include "platform/ProgramFolder.h"

namespace quillon {

namespace {

bool isWholeNumber(const QString& text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Where the help page that ships with the program is, when it is there.
QString helpPageLine()
{
    const QString page = findDataFile(QStringLiteral("yarrow.html"));
    return page.isEmpty() ? QString() : QStringLiteral("\nThe help page: %1\n").arg(page);
}

} // namespace

void TagOverrides::applyTo(TagOptions& options) const
{
    if (online)
        options.online = *online;
    if (addBorder)
        options.addBorder = *addBorder;
    if (borderSize)
        options.borderSize = *borderSize;
    if (addAlt)
        options.addAlt = *addAlt;
    if (altTextIndex)
        options.altTextIndex = *altTextIndex;
    if (altText)
        options.altText = *altText;
    if (generateBackups)
        options.generateBackups = *generateBackups;
    if (lowerCaseClauses)
        options.lowerCaseClauses = *lowerCaseClauses;
    if (rememberSizes)
        options.rememberSizes = *rememberSizes;
    if (backupDir) {
        // Asking for a backup folder asks for backups, also when the stored options say none.
        options.generateBackups = true;
        options.globalBackups = true;
        options.backupPath = withTrailingSeparator(*backupDir);
        options.makeBackupFolder = false;
    }
}

QString usageText()
{
    return QStringLiteral(
               "Usage: quillon-tag [OPTIONS] PATH...\n"
               "Adds WIDTH= and HEIGHT=, measured from each picture, to every image tag of the\n"
               "HTML files given, and BORDER= and ALT= as asked. A PATH may be a folder: its\n"
               "*.htm and *.html files are tagged, apart from hidden ones (named \".*\"), which\n"
               "are tagged only when named on their own. Each file is backed up first.\n"
               "\n"
               "What is added:\n"
               "  --online             fetch remote pictures (http, https, ftp) to measure them\n"
               "  --offline            skip remote pictures (the default)\n"
               "  --no-cache           with --online: neither read nor update the cache of\n"
               "                       remote sizes (${XDG_CACHE_HOME:-~/.cache}/quillon/\n"
               "                       remote-sizes.json), through which a picture unchanged\n"
               "                       since an earlier run is not fetched again\n"
               "  --border N           add BORDER=N where a tag has none\n"
               "  --no-border          add no BORDER= (the default)\n"
               "  --alt TEXT           add ALT=\"TEXT\" where a tag has none\n"
               "  --alt-image-name     add ALT= holding the image's path where a tag has none\n"
               "  --no-alt             add no ALT= (the default)\n"
               "  --lowercase          write width=\"30\" and the like on every page, as on XHTML\n"
               "                       pages (default: WIDTH=30 on HTML pages)\n"
               "  --use-settings       start from the desktop program's stored options instead of\n"
               "                       the defaults; options given here still win\n"
               "\n"
               "Backups:\n"
               "  --backup             back up each file that changes beside itself as FILE.bak\n"
               "                       (the default)\n"
               "  --no-backup          write no backups\n"
               "  --backup-dir DIR     back up every file into DIR as NAME.bak instead; the\n"
               "                       index DIR/quillon-backups.tsv tells which page each holds\n"
               "  A backup is replaced only where its page differs from it in more than what\n"
               "  quillon-tag writes: it keeps the page as it was before the first run.\n"
               "\n"
               "Which files, and how:\n"
               "  -r, --recursive      tag the folders below each folder given too, apart from\n"
               "                       hidden ones and links to folders\n"
               "  --root DIR           look up pictures named \"/...\" under the site's root DIR;\n"
               "                       no picture outside DIR is read\n"
               "  --dry-run            write nothing; report what would happen\n"
               "  --check              write nothing; report each tag that would change (\"Would\n"
               "                       add WIDTH=64 HEIGHT=32.\") and each stale size, and exit 1\n"
               "                       when there is any (for CI and pre-commit hooks)\n"
               "  --fix-stale          where a width and height fit no scale of the picture (it\n"
               "                       was replaced), keep the width and write the height again\n"
               "                       from the picture's shape (\"Success! Stale height\n"
               "                       corrected.\")\n"
               "  --restore            undo: put each page back from its backup (beside it, or\n"
               "                       with --backup-dir in DIR) where the page differs from it\n"
               "                       only by what quillon-tag writes: \"Restored from its\n"
               "                       backup.\" (restored); \"Skipped: No backup to restore.\"\n"
               "                       (no-backup); a page edited since stays as it is:\n"
               "                       \"Error: Page changed since it was tagged. Not restored.\"\n"
               "                       (changed-since-tagged)\n"
               "  --diff               with --dry-run: print a unified diff of every change\n"
               "                       instead of the report\n"
               "  -j N, --jobs N       tag N documents at once (default: one per processor, and\n"
               "                       with --online at least 8, as many as the downloads at once)\n"
               "\n"
               "Output:\n"
               "  --report FORMAT      text (default), json, csv, or lint: FILE:LINE:COLUMN: STATUS\n"
               "  -q, --quiet          report only the rows that end in an error, and the totals\n"
               "  --no-progress        no progress line on standard error (shown only when it is\n"
               "                       a terminal: pages done of all, tags, errors, time taken)\n"
               "  --help               show this text and stop\n"
               "  --version            show the version and stop\n"
               "\n"
               "The text report prints each row as FILE<TAB>IMAGE<TAB>STATUS, then the totals.\n"
               "json and csv give each row's outcome too, a name that stays the same whatever\n"
               "the words (tagged, no-changes, offline, download-failed, ...), and where the\n"
               "tag starts: line and column (in characters), both 0 for a row about a whole\n"
               "page, which lint shows at 1:1.\n"
               "A width and height given in pixels are stale when neither is within a pixel of\n"
               "what the other makes of the picture's shape. A run leaves them with \"Stale: Size\n"
               "given does not match the picture (W x H).\" and no error; --check fails on them.\n"
               "Pictures measured: PNG, GIF, JPEG, BMP, ICO, CUR, WebP, TIFF, AVIF, HEIF, SVG,\n"
               "SVGZ, WMF (placeable) and EMF, from their headers.\n"
               "\n"
               "Exit status:\n"
               "  0  every tag was handled without an error\n"
               "  1  at least one row ends in an error; with --check, or a tag would change or\n"
               "     a size is stale\n"
               "  2  the command line is wrong, or a PATH does not exist (nothing is changed)\n"
               "  3  the report could not be written (a full disk, a closed pipe)\n"
               "  130, 143  stopped by SIGINT (Ctrl-C) or SIGTERM: the pages written stay, the page\n"
               "     in hand is left as it was, and the report so far is printed; a second\n"
               "     signal ends the program at once\n")
        + helpPageLine();
}

ParseResult parseCommandLine(const QStringList& arguments)
{
    CliOptions options;
    auto usage = [](const QString& message) {
        ParseResult result;
        result.exitStatus = ExitUsage;
        result.error = QStringLiteral("quillon-tag: ") + message
            + QStringLiteral("\nTry 'quillon-tag --help' for more information.\n");
        return result;
    };
    // Two options that say opposite things cannot both be meant.
    QString borderGiven, altGiven, onlineGiven;
    auto conflict = [&](QString& given, const QString& option) {
        if (!given.isEmpty() && given != option)
            return true;
        given = option;
        return false;
    };

    bool onlyPaths = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        auto takeValue = [&](QString* value) {
            if (i + 1 >= arguments.size())
                return false;
            *value = arguments[++i];
            return true;
        };
        if (onlyPaths || !argument.startsWith(u'-') || argument == QStringLiteral("-")) {
            options.paths.append(argument);
        } else if (argument == QStringLiteral("--")) {
            onlyPaths = true;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            options.help = true;
        } else if (argument == QStringLiteral("--version")) {
            options.version = true;
        } else if (argument == QStringLiteral("--online") || argument == QStringLiteral("--offline")) {
            if (conflict(onlineGiven, argument))
                return usage(QStringLiteral("--online and --offline cannot both be given"));
            options.tagging.online = argument == QStringLiteral("--online");
        } else if (argument == QStringLiteral("--no-cache")) {
            options.tagging.rememberSizes = false;
        } else if (argument == QStringLiteral("--border")) {
            QString size;
            if (!takeValue(&size) || !isWholeNumber(size, 4))
                return usage(QStringLiteral("--border needs a whole number of pixels"));
            if (conflict(borderGiven, argument))
                return usage(QStringLiteral("--border and --no-border cannot both be given"));
            options.tagging.addBorder = true;
            options.tagging.borderSize = QString::number(size.toInt());
        } else if (argument == QStringLiteral("--no-border")) {
            if (conflict(borderGiven, argument))
                return usage(QStringLiteral("--border and --no-border cannot both be given"));
            options.tagging.addBorder = false;
        } else if (argument == QStringLiteral("--alt")) {
            QString text;
            if (!takeValue(&text))
                return usage(QStringLiteral("--alt needs a text"));
            if (conflict(altGiven, argument))
                return usage(QStringLiteral("only one of --alt, --alt-image-name and --no-alt can be given"));
            options.tagging.addAlt = true;
            options.tagging.altTextIndex = 1;
            options.tagging.altText = text;
        } else if (argument == QStringLiteral("--alt-image-name") || argument == QStringLiteral("--no-alt")) {
            if (conflict(altGiven, argument))
                return usage(QStringLiteral("only one of --alt, --alt-image-name and --no-alt can be given"));
            options.tagging.addAlt = argument == QStringLiteral("--alt-image-name");
            if (*options.tagging.addAlt)
                options.tagging.altTextIndex = 0;
        } else if (argument == QStringLiteral("--lowercase")) {
            options.tagging.lowerCaseClauses = true;
        } else if (argument == QStringLiteral("--backup")) {
            options.tagging.generateBackups = true;
        } else if (argument == QStringLiteral("--no-backup")) {
            options.tagging.generateBackups = false;
        } else if (argument == QStringLiteral("--backup-dir")) {
            QString folder;
            if (!takeValue(&folder) || folder.isEmpty())
                return usage(QStringLiteral("--backup-dir needs a folder"));
            options.tagging.backupDir = folder;
        } else if (argument == QStringLiteral("-r") || argument == QStringLiteral("--recursive")) {
            options.recursive = true;
        } else if (argument == QStringLiteral("--root")) {
            if (!takeValue(&options.siteRoot) || options.siteRoot.isEmpty())
                return usage(QStringLiteral("--root needs a folder"));
        } else if (argument == QStringLiteral("--dry-run")) {
            options.dryRun = true;
        } else if (argument == QStringLiteral("--check")) {
            options.check = true;
        } else if (argument == QStringLiteral("--fix-stale")) {
            options.fixStale = true;
        } else if (argument == QStringLiteral("--restore")) {
            options.restore = true;
        } else if (argument == QStringLiteral("--diff")) {
            options.diff = true;
        } else if (argument == QStringLiteral("--report")) {
            QString format;
            if (!takeValue(&format))
                return usage(QStringLiteral("--report needs text, json, csv or lint"));
            if (format == QStringLiteral("text"))
                options.report = ReportFormat::Text;
            else if (format == QStringLiteral("json"))
                options.report = ReportFormat::Json;
            else if (format == QStringLiteral("csv"))
                options.report = ReportFormat::Csv;
            else if (format == QStringLiteral("lint"))
                options.report = ReportFormat::Lint;
            else
                return usage(QStringLiteral("--report needs text, json, csv or lint, not '%1'").arg(format));
        } else if (argument == QStringLiteral("-j") || argument == QStringLiteral("--jobs")) {
            QString jobs;
            if (!takeValue(&jobs) || !isWholeNumber(jobs, 4) || jobs.toInt() < 1)
                return usage(QStringLiteral("%1 needs a number of jobs, 1 or more").arg(argument));
            options.jobs = jobs.toInt();
        } else if (argument == QStringLiteral("-q") || argument == QStringLiteral("--quiet")) {
            options.quiet = true;
        } else if (argument == QStringLiteral("--no-progress")) {
            options.progress = false;
        } else if (argument == QStringLiteral("--use-settings")) {
            options.useSettings = true;
        } else {
            return usage(QStringLiteral("unknown option '%1'").arg(argument));
        }
    }
    if (options.help || options.version) {
        ParseResult result;
        result.options = options;
        return result;
    }
    if (options.paths.isEmpty())
        return usage(QStringLiteral("no PATH given"));
    if (options.tagging.backupDir && options.tagging.generateBackups == false)
        return usage(QStringLiteral("--backup-dir and --no-backup cannot both be given"));
    if (options.check && options.fixStale)
        return usage(QStringLiteral("--check writes nothing; --fix-stale cannot go with it"));
    if (options.diff && options.restore)
        return usage(QStringLiteral("--diff cannot go with --restore"));
    if (options.restore && (options.check || options.fixStale))
        return usage(QStringLiteral("--restore cannot go with --check or --fix-stale"));
    if (options.diff && !options.dryRun)
        return usage(QStringLiteral("--diff goes with --dry-run"));
    if (options.diff && options.report != ReportFormat::Text)
        return usage(
            QStringLiteral("--diff prints a diff instead of the report; --report cannot go with it"));

    ParseResult result;
    result.options = options;
    return result;
}

} // namespace quillon
