#pragma once

#include "engine/measure/PictureSize.h"
#include "platform/Result.h"

#include <QIODevice>

#include <optional>

namespace quillon {

// The size a browser gives the SVG picture that device holds, from the width
// and height of its root element: absolute lengths (px or a bare number, pt,
// pc, in, cm, mm, Q) at 96 pixels per inch, each rounded to whole pixels, halves
// away from zero. A side given in a relative unit (em, ex, %, ...) or not at all
// follows from the other side and the proportions of the viewBox; with neither
// side absolute, the viewBox's own size, rounded, decides.
// Gives nothing when no viewBox makes up for a side that is not an absolute
// length: the size then depends on the drawing itself, which is never laid out
// here. Fails with 481 when the document, read
// from the device's position to its end, is not well-formed: a browser shows
// no picture for an SVG cut short.
Result<std::optional<PictureSize>> svgDeclaredSize(QIODevice& device);

// One length in CSS pixels, or nothing for a relative, negative or malformed
// one. Not rounded.
std::optional<double> svgAbsoluteLength(QStringView text);

} // namespace quillon
