#pragma once

#include <QString>

namespace quillon {

// The folder separator of this platform: "/" here, "\" on Windows.
QChar nativeSeparator();

// True for the native separator, and on Windows for "/" as well.
bool isSeparator(QChar c);

// The text after the last separator of path; the whole text when it has none,
// the empty text when path ends in a separator.
QString GetFileName(const QString& path);

// The text up to and including the last separator of path; empty when it has none.
QString GetPath(const QString& path);

// folder with a separator at its end (unchanged when it already has one or is empty).
QString withTrailingSeparator(const QString& folder);

} // namespace quillon
