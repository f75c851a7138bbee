#pragma once

#include "platform/Result.h"

#include <QStringList>

namespace quillon {

// The documents named by paths: a file as it is; a folder's *.htm and *.html
// files (letter case of the extension ignored), and with recursive those of
// every folder below. Sorted by path, each document once however often named.
// Fails with 53 for a path that does not exist.
Result<QStringList> collectDocuments(const QStringList& paths, bool recursive);

} // namespace quillon
