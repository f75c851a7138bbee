#pragma once

#include <QString>

namespace quillon::status {

// What the report's Status column can say about a tag or a document.
inline const QString NoChanges = QStringLiteral("Skipped: No changes needed.");
inline const QString NoSrc = QStringLiteral("Error: SRC= property not found.");
inline const QString Offline = QStringLiteral("Skipped: Offline Mode.");
inline const QString Downloading = QStringLiteral("Downloading image ...");
inline const QString Success = QStringLiteral("Success!");
inline const QString ImageNotFound = QStringLiteral("Error: Image not found.");
inline const QString BackupFailed = QStringLiteral("Error: Unable to write backup. File not changed.");
inline const QString WriteFailed = QStringLiteral("Error: Unable to write file. File not changed.");
inline const QString ReadFailed = QStringLiteral("Error: Unable to read file.");
inline const QString SizeInOtherUnits = QStringLiteral("Skipped: Size given in other units.");
inline const QString SizeNotANumber = QStringLiteral("Skipped: Size given is not a number.");
inline const QString NoSiteRoot
    = QStringLiteral("Error: Image path starts at the site root, and no root is given.");

// "Error: [53] Unable to download image.": any failure but a missing folder.
inline QString downloadFailed(int code)
{
    return QStringLiteral("Error: [%1] Unable to download image.").arg(code);
}

// True for every text that counts on Errors.
inline bool isError(const QString& text)
{
    return text.startsWith(QStringLiteral("Error: "));
}

} // namespace quillon::status
