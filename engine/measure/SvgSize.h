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
// follows from the other side and the proportions of the viewBox.
// Gives nothing when neither side is an absolute length, or when one side is
// and no viewBox tells the other; the caller then keeps the size the SVG
// reader gives, which is the viewBox's. Fails with 481 when the document, read
// from the device's position to its end, is not well-formed: a browser shows
// no picture for an SVG cut short.
Result<std::optional<PictureSize>> svgDeclaredSize(QIODevice& device);

// One length in CSS pixels, or nothing for a relative, negative or malformed
// one. Not rounded.
std::optional<double> svgAbsoluteLength(QStringView text);

} // namespace quillon
