#pragma once

#include <cmath>

namespace quillon {

// Window geometry is kept in twips, 15 to a device-independent pixel.
inline constexpr double kTwipsPerPixel = 15.0;

inline int toPixels(double twips)
{
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

inline double toTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

} // namespace quillon
