#pragma once

#include <QString>

#include <cmath>

namespace quillon {

// "33% Complete.": value of maximum as a whole percentage, halves rounded away from zero.
inline QString percentText(double value, double maximum)
{
    const float share = maximum > 0 ? static_cast<float>(value) / static_cast<float>(maximum) * 100.0f : 0.0f;
    return QStringLiteral("%1% Complete.").arg(static_cast<long>(std::lround(share)));
}

// "2 of 5 file in progress...": the line shown while file number of count is tagged.
inline QString filesInProgressText(int number, int count)
{
    return QStringLiteral("%1 of %2 file in progress...").arg(number).arg(count);
}

} // namespace quillon
