#include "engine/run/PictureSources.h"

#include "engine/html/ImageSource.h"
#include "engine/html/Srcset.h"
#include "engine/run/RunReport.h"
#include "engine/run/StaleSize.h"
#include "engine/run/TagRewriter.h"

#include <cmath>
#include <utility>

namespace quillon {

namespace {

// A side in pixels: a number, neither a percentage nor larger than any picture.
std::optional<double> pixels(const QString& value)
{
    const std::optional<Dimension> side = readDimension(value);
    if (!side || side->percentage || !(side->value <= PictureSize::kMaxSide))
        return std::nullopt;
    return side->value;
}

// The box an <img> gives: its sides as written, or else as just added.
std::optional<PictureSize> boxOf(const TagContext& img, const QString& imgClauses)
{
    const QString added = QStringLiteral("<img") + imgClauses + u'>';
    TagScanner scanner(added);
    const std::optional<ImgTag> addedTag = scanner.next();
    if (!addedTag)
        return std::nullopt;
    const TagContext clauses { added, *addedTag, nullptr, img.htmlFile, img.xmlStyle, img.at };
    const auto side = [&](QStringView name) -> std::optional<double> {
        if (const TagAttribute* given = img.find(name))
            return pixels(img.valueOf(*given));
        if (const TagAttribute* made = clauses.find(name))
            return pixels(clauses.valueOf(*made));
        return std::nullopt;
    };
    const std::optional<double> width = side(u"width");
    const std::optional<double> height = side(u"height");
    if (!width || !height)
        return std::nullopt;
    return PictureSize { *width, *height };
}

} // namespace

bool PictureSources::follow(const ImgTag& tag, TextPosition at)
{
    switch (static_cast<Element>(tag.element)) {
    case Img:
        return tag.endTag;
    case Picture: // pictures do not nest: a new one ends the last
        m_inPicture = !tag.endTag;
        m_sources.clear();
        return true;
    case Source:
        if (m_inPicture && !tag.endTag)
            m_sources.append(Met { tag, at });
        return true;
    }
    return true;
}

QList<PictureSources::SourceClauses> PictureSources::clausesFor(
    const TagContext& img, const QString& imgClauses, const TagOptions& options)
{
    if (!std::exchange(m_inPicture, false)) // sources after the <img> are never shown
        return {};
    const QList<Met> sources = std::exchange(m_sources, {});
    const std::optional<PictureSize> box = boxOf(img, imgClauses);
    QList<SourceClauses> sized;
    if (!box)
        return sized;
    for (const Met& source : sources) {
        const TagContext context { img.units, source.tag, img.document, img.htmlFile, img.xmlStyle,
            source.at };
        QString clauses = clausesFor(context, *box, options);
        if (!clauses.isEmpty())
            sized.append(SourceClauses { source.tag, std::move(clauses) });
    }
    return sized;
}

QString PictureSources::clausesFor(
    const TagContext& source, const PictureSize& box, const TagOptions& options)
{
    const TagAttribute* srcset = source.find(u"srcset");
    const QString candidates = srcset ? source.valueOf(*srcset) : QString();
    // A template's blanks would split it into candidates: it is one path.
    ImageSource picture = classifyImageSource(candidates);
    if (picture.kind != ImageSource::Kind::Template) {
        const std::optional<QStringView> candidate = firstSrcsetCandidate(candidates);
        if (!candidate)
            return {}; // a source with no picture is never shown
        picture = classifyImageSource(candidate->toString());
    }
    const int row = m_report.AddReportRow(source.htmlFile, source.at);
    m_report.SetRowStatus(row, Outcome::NoChanges);
    m_report.SetRowImage(row, picture.shown);

    const TagAttribute* width = source.find(u"width");
    const TagAttribute* height = source.find(u"height");
    if (width && height)
        return {};
    std::optional<double> given;
    if (width || height) {
        const std::optional<Dimension> side = readDimension(source.valueOf(width ? *width : *height));
        if (!side)
            m_report.SetRowStatus(row, Outcome::SizeNotANumber);
        else if (side->percentage)
            m_report.SetRowStatus(row, Outcome::SizeInOtherUnits);
        else if (!(side->value <= PictureSize::kMaxSide))
            m_report.SetRowStatus(row, Outcome::SizeOutOfRange);
        else
            given = side->value;
        if (!given)
            return {};
    }

    const std::optional<PictureSize> size = measure(picture, source.htmlFile, options, row);
    if (!size)
        return {};
    // Only the shape counts, and a candidate's density or width descriptor
    // scales its picture without changing that.
    auto clause = [&](QStringView name, const QString& value) {
        if (source.xmlStyle)
            return QStringLiteral(" %1=\"%2\"").arg(name.toString().toLower(), value);
        return QStringLiteral(" %1=%2").arg(name, value);
    };
    QString clauses;
    if (width) {
        clauses = clause(u"HEIGHT", proportionalSide(*given, size->width, size->height));
    } else if (height) {
        clauses = clause(u"WIDTH", proportionalSide(*given, size->height, size->width));
    } else {
        const QString heightAtWidth = proportionalSide(box.width, size->width, size->height);
        if (std::fabs(heightAtWidth.toDouble() - box.height) <= 1)
            return {}; // the <img>'s box fits it
        clauses = clause(u"WIDTH", PictureSize::text(box.width)) + clause(u"HEIGHT", heightAtWidth);
    }
    if (options.check)
        m_report.SetRowStatus(row, Outcome::WouldTag, clauses.trimmed());
    else
        m_report.SetRowStatus(row, Outcome::SourceSized);
    return clauses;
}

// The candidate's picture, found as an <img>'s SRC is: fetched in online mode,
// read beside the page or under the site's root. None when it cannot be
// measured; the row says why.
std::optional<PictureSize> PictureSources::measure(
    const ImageSource& source, const QString& htmlFile, const TagOptions& options, int row)
{
    const std::optional<QString> pictureFile = m_rewriter.findPicture(source, htmlFile, options, row);
    if (!pictureFile)
        return std::nullopt;
    const Result<PictureSize> size = m_rewriter.measure(source, *pictureFile);
    if (!size) {
        m_rewriter.failRow(row, source, size.failure());
        return std::nullopt;
    }
    return size.value();
}

} // namespace quillon
