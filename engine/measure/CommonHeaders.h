#pragma once

#include "engine/measure/PictureSize.h"

#include <QByteArrayView>

#include <optional>

namespace quillon {

// How many leading bytes of a file commonHeaderSize looks at.
inline constexpr qsizetype kCommonHeadSize = 64 * 1024;

// The size of a PNG, GIF or JPEG picture read straight from its first bytes,
// as Qt's readers would give it (a JPEG turned a quarter by its EXIF mark
// measures turned), for the pictures most pages hold: their readers need not
// be loaded at all. Gives nothing for anything unusual, damaged or not wholly
// within head, which is then left to Qt's readers to accept or refuse.
std::optional<PictureSize> commonHeaderSize(QByteArrayView head);

} // namespace quillon
