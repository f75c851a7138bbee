#pragma once

#include "engine/measure/PictureSize.h"
#include "platform/Result.h"

#include <QByteArrayView>

#include <optional>

namespace quillon {

// Qt reads no Windows metafiles, so their sizes come from their headers here.

// How many leading bytes of a file measureWindowsMetafile needs to see: the whole
// header of an enhanced metafile, which is longer than a placeable one.
inline constexpr qsizetype kMetafileHeadSize = 88;

// The size of the metafile whose first bytes are head, at 96 pixels per inch:
// a placeable WMF's bounding box at its own units per inch, an EMF's frame in
// hundredths of a millimetre. Both are rounded to whole pixels, halves up, since
// the size ends up in a WIDTH= that takes whole pixels; a box too small to round
// to one pixel still counts as one.
// Gives nothing when head is no Windows metafile at all, so other readers may try,
// and 481 for a metafile that has no size: a WMF without a placeable header, a
// header cut short, an empty box or a zero unit.
std::optional<Result<PictureSize>> measureWindowsMetafile(QByteArrayView head);

} // namespace quillon
