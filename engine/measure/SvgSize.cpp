#include "engine/measure/SvgSize.h"

#include <QXmlStreamReader>

#include <cmath>

namespace quillon {

namespace {

// CSS pixels per unit; CSS fixes an inch at 96 pixels.
struct Unit {
    const char* name;
    double pixels;
};
constexpr Unit kAbsoluteUnits[] = {
    { "", 1.0 }, { "px", 1.0 }, { "pt", 96.0 / 72.0 }, { "pc", 16.0 }, { "in", 96.0 }, { "cm", 96.0 / 2.54 },
    { "mm", 96.0 / 25.4 }, { "q", 96.0 / 101.6 }, // a quarter of a millimetre
};

// The length of the leading CSS number of text: sign, digits with at most one
// point, and an exponent only when digits follow it; 0 when there is none.
qsizetype numberLength(QStringView text)
{
    qsizetype at = 0;
    const auto digitsFrom = [&](qsizetype from) {
        qsizetype end = from;
        while (end < text.size() && text[end].isDigit() && text[end].unicode() < 128)
            ++end;
        return end;
    };
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-'))
        ++at;
    const qsizetype whole = digitsFrom(at);
    qsizetype end = whole;
    if (end < text.size() && text[end] == u'.') {
        const qsizetype fraction = digitsFrom(end + 1);
        if (fraction > end + 1)
            end = fraction;
    }
    if (end == at)
        return 0;
    if (end < text.size() && (text[end] == u'e' || text[end] == u'E')) {
        qsizetype exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == u'+' || text[exponent] == u'-'))
            ++exponent;
        const qsizetype digits = digitsFrom(exponent);
        if (digits > exponent)
            end = digits;
    }
    return end;
}

double roundedSide(double pixels)
{
    // A side too thin to round to one pixel is still shown one pixel wide.
    return std::max(1.0, std::floor(pixels + 0.5));
}

struct ViewBox {
    double width = 0;
    double height = 0;
};

std::optional<ViewBox> viewBoxOf(QStringView text)
{
    QList<double> numbers;
    for (QStringView part : text.split(u' ', Qt::SkipEmptyParts)) {
        for (QStringView piece : part.split(u',', Qt::SkipEmptyParts)) {
            bool ok = false;
            const double value = piece.trimmed().toDouble(&ok);
            if (!ok)
                return std::nullopt;
            numbers.append(value);
        }
    }
    if (numbers.size() != 4 || !(numbers[2] > 0) || !(numbers[3] > 0))
        return std::nullopt;
    return ViewBox { numbers[2], numbers[3] };
}

} // namespace

std::optional<double> svgAbsoluteLength(QStringView text)
{
    text = text.trimmed();
    const qsizetype length = numberLength(text);
    if (length == 0)
        return std::nullopt;
    bool ok = false;
    const double value = text.first(length).toDouble(&ok);
    if (!ok || value < 0 || !std::isfinite(value))
        return std::nullopt;
    const QStringView unit = text.sliced(length);
    for (const Unit& known : kAbsoluteUnits) {
        if (unit.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0)
            return value * known.pixels;
    }
    return std::nullopt;
}

Result<std::optional<PictureSize>> svgDeclaredSize(QIODevice& device)
{
    QXmlStreamReader xml(&device);
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) { }
    if (xml.tokenType() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("svg"))
        return Failure(ErrorCode::NotAPicture, QStringLiteral("an SVG without its svg element"));
    const QXmlStreamAttributes attributes = xml.attributes();
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return Failure(ErrorCode::NotAPicture, QStringLiteral("a damaged SVG: ") + xml.errorString());

    std::optional<double> width = svgAbsoluteLength(attributes.value(QLatin1String("width")));
    std::optional<double> height = svgAbsoluteLength(attributes.value(QLatin1String("height")));
    const std::optional<ViewBox> box = viewBoxOf(attributes.value(QLatin1String("viewBox")));
    if (!width && !height) {
        if (!box)
            return std::optional<PictureSize>();
        // Rounded, but with no floor of one pixel: a box thinner than half a pixel is no picture.
        return std::optional<PictureSize>(
            PictureSize { std::floor(box->width + 0.5), std::floor(box->height + 0.5) });
    }
    if (!width || !height) {
        if (!box)
            return std::optional<PictureSize>();
        if (!width)
            width = *height * box->width / box->height;
        else
            height = *width * box->height / box->width;
    }
    // A side of nothing at all is no picture; the caller refuses it.
    const auto side = [](double pixels) { return pixels == 0 ? 0.0 : roundedSide(pixels); };
    return std::optional<PictureSize>(PictureSize { side(*width), side(*height) });
}

} // namespace quillon
