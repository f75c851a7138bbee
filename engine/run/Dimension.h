#pragma once

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
};

std::optional<Dimension> readDimension(QStringView text);

// The missing side of a picture shown with one side fixed, keeping its
// proportions; halves are rounded away from zero.
QString proportionalSide(double given, double pictureGiven, double pictureOther);

} // namespace quillon
