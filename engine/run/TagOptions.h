#pragma once

#include "platform/Failure.h"

#include <QString>

#include <optional>

namespace quillon {

// The options of a run, as the tag rewriter and the document pass use them.
struct TagOptions {
    bool online = false; // fetch remote pictures
    bool rememberSizes = true; // keep remote pictures' sizes for later runs, which ask before fetching again
    // Set when online but nothing can be fetched (the transfer library did not
    // start): no transfer is tried, and each remote picture is an error with this failure.
    std::optional<Failure> noTransfers;
    bool addBorder = true; // add BORDER= where it is missing
    QString borderSize = QStringLiteral("10");
    bool addAlt = false; // add ALT= where it is missing
    // 1: the custom text; other numbers: the image name; none: not a number
    std::optional<double> altTextIndex = 0;
    QString altText = QStringLiteral("Quillon"); // the custom ALT text
    bool generateBackups = true;
    bool globalBackups = false; // into backupPath instead of beside the document
    QString backupPath; // a folder, ending in a separator
    bool makeBackupFolder = false; // backupPath is the program's own folder, made when first needed
    QString siteRoot; // where pictures named "/..." are; none: such pictures are errors
    bool dryRun = false; // write nothing, report what would happen
    bool check = false; // with dryRun: a tag that would change says what it would get
    bool fixStale = false; // write a stale height again from the width and the picture's shape
    bool lowerCaseClauses = false; // width="30" and the like on every page, not only on XHTML ones
};

} // namespace quillon
