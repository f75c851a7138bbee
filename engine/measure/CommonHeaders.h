#pragma once

#include "engine/measure/PictureSize.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>

#include <optional>

namespace quillon {

// How many leading bytes of a file commonHeaderSize looks at.
inline constexpr qsizetype kCommonHeadSize = 64 * 1024;

// The size of a PNG, GIF or JPEG picture read straight from its first bytes,
// as Qt's readers would give it (a JPEG turned a quarter by its EXIF mark
// measures turned), or as a browser lays it out when a JPEG's or PNG's EXIF
// data tells a density (see TiffTags::densityCorrected), for the pictures most pages hold: their readers need
// not be loaded at all. Gives nothing for anything unusual, damaged or not wholly within head, which is then
// left to Qt's readers to accept or refuse.
std::optional<PictureSize> commonHeaderSize(QByteArrayView head);

// For a JPEG whose frame comes after more than kCommonHeadSize bytes (large
// colour profiles and previews come first), the segments of the whole file that
// tell its size: the start, EXIF data, frames and the first scan's header, one
// after the other, for commonHeaderSize to read. Every other segment is skipped
// by its length, unread, and no more than a few segments' worth is kept. The
// device's position is left where it was.
QByteArray jpegSizeSegments(QIODevice& device);

} // namespace quillon
