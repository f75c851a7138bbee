#pragma once

#include "platform/Result.h"

#include <QStringList>

namespace quillon {

// The documents named by paths, in the order given: a file as it is; a folder's
// *.htm and *.html files (letter case of the extension ignored), and with
// recursive those of every folder below, sorted by path. Each document comes
// once, where it is first named, however often and by whatever spelling.
// Fails with 53 for a path that does not exist.
Result<QStringList> collectDocuments(const QStringList& paths, bool recursive);

} // namespace quillon
