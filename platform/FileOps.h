#pragma once

// The file operations of the program: reading (FileReading.h), replacing files
// whole (AtomicWrite.h), and removing files and making folders.

#include "platform/AtomicWrite.h"
#include "platform/FileReading.h"
#include "platform/Result.h"

#include <QString>

namespace quillon {

// Removes the file at path. A file that is already gone is a failure (53).
Status deleteFile(const QString& path);

// Creates folder and every missing folder above it.
Status makeFolders(const QString& folder);

} // namespace quillon
