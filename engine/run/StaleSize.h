#pragma once

#include "engine/measure/PictureSize.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace quillon {

// A width or height as HTML reads it: blanks skipped, digits with an optional
// fraction, the rest ignored (" 60px" is 60, "60.5" is 60.5); a "%" right after
// the number makes it a percentage. None when no digit comes first ("auto", "").
// A number too long for a double reads as infinite.
struct Dimension {
    double value = 0;
    bool percentage = false;
    qsizetype numberStart = 0; // where the number stands in the text read
    qsizetype numberEnd = 0; // one past it
};

std::optional<Dimension> readDimension(QStringView text);

// The missing side of a picture shown with one side fixed, keeping its
// proportions; halves are rounded away from zero.
QString proportionalSide(double given, double pictureGiven, double pictureOther);

// A width and height given in pixels are stale when neither fits the other at
// the picture's shape (each more than a pixel from the proportional value): the
// picture was replaced since they were written. A pair of the picture's shape
// at any scale was sized so on purpose and is not stale, nor is a percentage,
// nor a size the picture has no shape to judge by.
bool isStaleSize(const Dimension& width, const Dimension& height, const PictureSize& picture);

} // namespace quillon
