#pragma once

#include "platform/Result.h"

#include <QStringList>

namespace quillon {

// The documents named by paths, in the order given, as the page list takes
// them (platform/PageList.h): a file as it is, a folder's pages sorted by path,
// with recursive those of the folders below too, each document once. Fails
// with 53 for the first path that does not exist.
Result<QStringList> collectDocuments(const QStringList& paths, bool recursive);

} // namespace quillon
