#include "mainwindow/Twips.h"

#include <QVariant>
#include <QWidget>

#include <cmath>

namespace quillon::twips {

namespace {

const char* const kTwipsProperty = "quillonTwips";
const char* const kPixelsProperty = "quillonTwipsPixels";

QRect pixelsFor(const QRectF& t)
{
    return QRect(toPixels(t.left()), toPixels(t.top()), toPixels(t.width()), toPixels(t.height()));
}

// The control's geometry in twips: what was set, while its pixels still agree.
QRectF current(const QWidget* w)
{
    const QVariant stored = w->property(kTwipsProperty);
    const QRect pixels = w->geometry();
    if (stored.isValid() && w->property(kPixelsProperty).toRect() == pixels)
        return stored.toRectF();
    return QRectF(pixels.x() * kPerPixel, pixels.y() * kPerPixel, pixels.width() * kPerPixel,
        pixels.height() * kPerPixel);
}

void apply(QWidget* w, const QRectF& t)
{
    const QRect pixels = pixelsFor(t);
    w->setGeometry(pixels);
    w->setProperty(kTwipsProperty, t);
    w->setProperty(kPixelsProperty, w->geometry());
}

} // namespace

int toPixels(double twips)
{
    return static_cast<int>(std::lround(twips / kPerPixel));
}

double left(const QWidget* w)
{
    return current(w).left();
}
double top(const QWidget* w)
{
    return current(w).top();
}
double width(const QWidget* w)
{
    return current(w).width();
}
double height(const QWidget* w)
{
    return current(w).height();
}

namespace {

// One side of the control's twips changed; a negative size is refused.
template <typename Edit> bool change(QWidget* w, double value, bool isSize, Edit edit)
{
    if (isSize && value < 0)
        return false;
    QRectF t = current(w);
    edit(t, value);
    apply(w, t);
    return true;
}

} // namespace

bool setLeft(QWidget* w, double value)
{
    return change(w, value, false, [](QRectF& t, double v) { t.moveLeft(v); });
}

bool setTop(QWidget* w, double value)
{
    return change(w, value, false, [](QRectF& t, double v) { t.moveTop(v); });
}

bool setWidth(QWidget* w, double value)
{
    return change(w, value, true, [](QRectF& t, double v) { t.setWidth(v); });
}

bool setHeight(QWidget* w, double value)
{
    return change(w, value, true, [](QRectF& t, double v) { t.setHeight(v); });
}

void setGeometry(QWidget* w, double left, double top, double width, double height)
{
    apply(w, QRectF(left, top, std::max(0.0, width), std::max(0.0, height)));
}

} // namespace quillon::twips
