#include "engine/run/Dimension.h"

#include "engine/html/TagScanner.h"
#include "engine/measure/PictureSize.h"

#include <cmath>
#include <limits>

namespace quillon {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
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
    return Dimension { value, i < text.size() && text[i] == u'%' };
}

QString proportionalSide(double given, double pictureGiven, double pictureOther)
{
    if (pictureGiven <= 0)
        return PictureSize::text(pictureOther);
    return QString::number(std::round(given * pictureOther / pictureGiven), 'f', 0);
}

} // namespace quillon
