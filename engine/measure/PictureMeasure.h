#pragma once

#include "engine/measure/PictureSize.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>

namespace quillon {

// The width and height in pixels at which a browser shows the picture in the file
// at path, read from its header; the picture itself is never decoded, so a huge
// announced size is just two numbers. BMP, ICO, CUR, GIF, JPEG, PNG, WebP, TIFF,
// AVIF, HEIF, SVG (also compressed, as svgz), placeable WMF and EMF are measured,
// told apart by their content, never by the file's name. A picture whose
// orientation mark turns it a quarter (EXIF 5 to 8, irot 1 or 3) measures
// turned, as it is shown; an SVG's lengths count 96 pixels to the inch.
// Fails with 53 when the file is missing, 76 when a folder on its path is, 482 at
// once, without blocking, for a folder, FIFO or device, and 481 for anything that
// is not a whole picture of those kinds with a size of at least one pixel and at
// most 2^24 pixels a side, or for a compressed SVG that unpacks to more than 8 MiB.
Result<PictureSize> MeasurePicture(const QString& path);

// The same for a picture held in memory, such as the bytes of a data: address.
Result<PictureSize> MeasurePictureData(const QByteArray& bytes);

} // namespace quillon
