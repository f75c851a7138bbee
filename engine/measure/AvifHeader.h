#pragma once

#include "engine/measure/PictureSize.h"
#include "platform/Result.h"

#include <QIODevice>

#include <optional>

namespace quillon {

// Qt reads no AVIF or HEIF here, so their sizes come from the file's own boxes:
// the primary item (pitm) and the image spatial extents (ispe) property that
// ipma associates with it, turned by a quarter (irot 1 or 3) as it is shown.
// Only box headers and the meta box are read, so a picture whose meta box comes
// first measures from its first bytes, as a download cut short delivers them.
//
// Gives nothing when device holds no ftyp box naming an AVIF or HEIF brand, so
// that other readers may try; 481 for such a file whose boxes are damaged, cut
// short before the size, too many or too large to be a picture's header.
// The device's position is left where it was.
std::optional<Result<PictureSize>> measureAvifHeader(QIODevice& device);

} // namespace quillon
