#include "engine/run/StaleSize.h"

#include "engine/html/TagScanner.h"

#include <cmath>
#include <limits>

namespace quillon {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

double proportional(double given, double pictureGiven, double pictureOther)
{
    return std::round(given * pictureOther / pictureGiven);
}

} // namespace

std::optional<Dimension> readDimension(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isHtmlBlank(text[i]))
        ++i;
    const qsizetype start = i;
    while (i < text.size() && isAsciiDigit(text[i]))
        ++i;
    if (i == start)
        return std::nullopt;
    if (i + 1 < text.size() && text[i] == u'.' && isAsciiDigit(text[i + 1])) {
        for (++i; i < text.size() && isAsciiDigit(text[i]); ++i) { }
    }
    bool read = false;
    double value = text.sliced(start, i - start).toDouble(&read);
    if (!read)
        value = std::numeric_limits<double>::infinity();
    return Dimension { value, i < text.size() && text[i] == u'%', start, i };
}

QString proportionalSide(double given, double pictureGiven, double pictureOther)
{
    if (pictureGiven <= 0)
        return PictureSize::text(pictureOther);
    return QString::number(proportional(given, pictureGiven, pictureOther), 'f', 0);
}

bool isStaleSize(const Dimension& width, const Dimension& height, const PictureSize& picture)
{
    if (width.percentage || height.percentage || !(picture.width > 0) || !(picture.height > 0))
        return false;
    if (!(width.value <= PictureSize::kMaxSide) || !(height.value <= PictureSize::kMaxSide))
        return false;
    return std::fabs(height.value - proportional(width.value, picture.width, picture.height)) > 1
        && std::fabs(width.value - proportional(height.value, picture.height, picture.width)) > 1;
}

} // namespace quillon
