#include "cli/CliOptions.h"

#include "platform/Paths.h"

namespace quillon {

namespace {

bool isBorderSize(const QString& text)
{
    if (text.isEmpty() || text.size() > 4)
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

QString usageText()
{
    return QStringLiteral(
        "Usage: quillon-tag [OPTIONS] FILE...\n"
        "Adds WIDTH= and HEIGHT=, measured from each picture, to every image tag of the\n"
        "HTML files given, and BORDER= and ALT= as asked. Each file is backed up first.\n"
        "\n"
        "  --online             fetch remote pictures (http, https, ftp) to measure them\n"
        "  --offline            skip remote pictures (the default)\n"
        "  --border N           add BORDER=N where a tag has none (default: 10)\n"
        "  --no-border          add no BORDER=\n"
        "  --alt TEXT           add ALT=\"TEXT\" where a tag has none\n"
        "  --alt-image-name     add ALT= holding the image's path where a tag has none\n"
        "  --no-alt             add no ALT= (the default)\n"
        "  --backup             back up each file beside itself as FILE.bak (the default)\n"
        "  --no-backup          write no backups\n"
        "  --backup-dir DIR     back up every file into DIR as NAME.bak instead\n"
        "  --help               show this text and stop\n"
        "  --version            show the version and stop\n"
        "\n"
        "Each report row is printed as FILE<TAB>IMAGE<TAB>STATUS, then the totals.\n"
        "\n"
        "Exit status:\n"
        "  0  every tag was handled without an error\n"
        "  1  at least one row ends in an error\n"
        "  2  the command line is wrong, or a FILE does not exist (nothing is changed)\n");
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

    bool onlyFiles = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        auto takeValue = [&](QString* value) {
            if (i + 1 >= arguments.size())
                return false;
            *value = arguments[++i];
            return true;
        };
        if (onlyFiles || !argument.startsWith(u'-') || argument == QStringLiteral("-")) {
            options.files.append(argument);
        } else if (argument == QStringLiteral("--")) {
            onlyFiles = true;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            options.help = true;
        } else if (argument == QStringLiteral("--version")) {
            options.version = true;
        } else if (argument == QStringLiteral("--online")) {
            options.tagging.online = true;
        } else if (argument == QStringLiteral("--offline")) {
            options.tagging.online = false;
        } else if (argument == QStringLiteral("--border")) {
            QString size;
            if (!takeValue(&size) || !isBorderSize(size))
                return usage(QStringLiteral("--border needs a whole number of pixels"));
            options.tagging.addBorder = true;
            options.tagging.borderSize = QString::number(size.toInt());
        } else if (argument == QStringLiteral("--no-border")) {
            options.tagging.addBorder = false;
        } else if (argument == QStringLiteral("--alt")) {
            QString text;
            if (!takeValue(&text))
                return usage(QStringLiteral("--alt needs a text"));
            options.tagging.addAlt = true;
            options.tagging.altTextIndex = 1;
            options.tagging.altText = text;
        } else if (argument == QStringLiteral("--alt-image-name")) {
            options.tagging.addAlt = true;
            options.tagging.altTextIndex = 0;
        } else if (argument == QStringLiteral("--no-alt")) {
            options.tagging.addAlt = false;
        } else if (argument == QStringLiteral("--backup")) {
            options.tagging.generateBackups = true;
        } else if (argument == QStringLiteral("--no-backup")) {
            options.tagging.generateBackups = false;
        } else if (argument == QStringLiteral("--backup-dir")) {
            QString folder;
            if (!takeValue(&folder) || folder.isEmpty())
                return usage(QStringLiteral("--backup-dir needs a folder"));
            options.tagging.generateBackups = true;
            options.tagging.globalBackups = true;
            options.tagging.backupPath = withTrailingSeparator(folder);
        } else {
            return usage(QStringLiteral("unknown option '%1'").arg(argument));
        }
    }
    if (!options.help && !options.version && options.files.isEmpty())
        return usage(QStringLiteral("no FILE given"));

    ParseResult result;
    result.options = options;
    return result;
}

} // namespace quillon
