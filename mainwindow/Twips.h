#pragma once

#include <QRectF>

class QWidget;

namespace quillon {

// The window's geometry is reckoned in twips, 15 to a device-independent pixel.
// A control keeps the twips it was last given, so reading a value back gives
// what was set, not the pixel it was rounded to; a control whose pixels changed
// since (the user resized the window) reads as its pixels.
namespace twips {

inline constexpr double kPerPixel = 15.0;

int toPixels(double twips);

double left(const QWidget* w);
double top(const QWidget* w);
double width(const QWidget* w);
double height(const QWidget* w);

// A value that cannot be applied (negative sizes, as while the window is very
// small) is refused: the control keeps what it had and false comes back.
bool setLeft(QWidget* w, double value);
bool setTop(QWidget* w, double value);
bool setWidth(QWidget* w, double value);
bool setHeight(QWidget* w, double value);
void setGeometry(QWidget* w, double left, double top, double width, double height);

} // namespace twips
} // namespace quillon
