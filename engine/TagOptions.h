#pragma once

#include <QString>

#include <optional>

namespace quillon {

class Settings;

// The options of a run, as the tag rewriter and the document pass use them.
struct TagOptions {
    bool online = false; // fetch remote pictures
    bool addBorder = true; // add BORDER= where it is missing
    QString borderSize = QStringLiteral("10");
    bool addAlt = false; // add ALT= where it is missing
    std::optional<double> altTextIndex
        = 0; // 1: the custom text; other numbers: the image name; none: not a number
    QString altText = QStringLiteral("Quillon"); // the custom ALT text
    bool generateBackups = true;
    bool globalBackups = false; // into backupPath instead of beside the document
    QString backupPath; // a folder, ending in a separator
    QString siteRoot; // where pictures named "/..." are; none: the document's folder
    bool dryRun = false; // write nothing, report what would happen
    bool lowerCaseClauses = false; // width="30" and the like on every page, not only on XHTML ones

    // The options as the desktop program has stored them.
    static TagOptions fromSettings(const Settings& settings);
};

} // namespace quillon
