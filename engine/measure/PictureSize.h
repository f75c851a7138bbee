#pragma once

#include <QString>

#include <cmath>

namespace quillon {

// A picture's size in pixels, as it is appended to a tag.
struct PictureSize {
    // No side of a picture is measured, or given, larger than this.
    static constexpr double kMaxSide = 1 << 24;

    double width = 0;
    double height = 0;

    // A whole number is written without a decimal point or leading zeros (120, 1, 0);
    // anything else in the shortest form that reads back the same.
    static QString text(double v)
    {
        if (v == std::floor(v) && std::fabs(v) < 1e15)
            return QString::number(static_cast<long long>(v));
        return QString::number(v, 'g', 7);
    }
    QString widthText() const { return text(width); }
    QString heightText() const { return text(height); }

    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

} // namespace quillon
