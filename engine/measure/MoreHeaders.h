#pragma once

#include "engine/measure/PictureSize.h"
#include "platform/Result.h"

#include <QByteArrayView>
#include <QIODevice>

#include <optional>

namespace quillon {

// The size of a BMP (every header from OS/2's 12 bytes to V5's 124; rows stored
// top-down count as many), ICO or CUR (the largest image of the directory, as a
// browser shows an icon file; a PNG image gives its own size), WebP (lossy,
// lossless or extended) or TIFF (either byte order, from the first directory,
// turned a quarter by an orientation of 5 to 8) picture, from its header alone.
// A WebP or TIFF whose EXIF data tells a density measures as a browser lays it
// out (see TiffTags::densityCorrected).
// head holds the device's first bytes from its position. Only a few small,
// bounded reads beyond head are made, at offsets the header gives once they are
// checked against the device's size; the position is left where it was.
// Gives nothing when head starts none of these formats, so other readers may
// try, and 481 for such a picture whose header is damaged or cut short.
std::optional<Result<PictureSize>> measureMoreHeaders(QIODevice& device, QByteArrayView head);

} // namespace quillon
