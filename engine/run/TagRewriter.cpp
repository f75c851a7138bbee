#include "engine/run/TagRewriter.h"

#include "engine/html/DocumentText.h"
#include "engine/html/ImageSource.h"
#include "engine/measure/PictureMeasure.h"
#include "engine/run/RunReport.h"
#include "engine/run/RunResources.h"
#include "engine/run/StaleSize.h"
#include "engine/html/TagScanner.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace quillon {

const TagAttribute* TagContext::find(QStringView name) const
{
    return tag.find(units, name);
}

QString TagContext::valueOf(const TagAttribute& attribute) const
{
    const QStringView value = ImgTag::value(units, attribute);
    return document ? document->toText(value) : value.toString();
}

QString TagRewriter::TagImage(const QString& tagText, const QString& htmlFile, const TagOptions& options)
{
    const QString text = u'<' + tagText + u'>';
    TagScanner scanner(text);
    const std::optional<ImgTag> tag = scanner.next();
    if (!tag || tag->start != 0 || tag->end != text.size() - 1)
        return tagText; // not one whole image tag
    std::optional<ValueFix> fix;
    const QString clauses = clausesFor(
        TagContext { text, *tag, nullptr, htmlFile, options.lowerCaseClauses, TextPosition { 1, 1 } },
        options, &fix);
    if (clauses.isEmpty() && !fix)
        return tagText; // nothing added, not even the blank that would keep clauses apart
    QString result = text;
    if (!clauses.isEmpty())
        result.insert(tag->insertAt, tag->blankAfterInsert ? clauses + u' ' : clauses);
    if (fix) // before the insertion point, so not moved by it
        result.replace(fix->start, fix->end - fix->start, fix->text);
    return result.mid(1, result.size() - 2);
}

// A local picture's file: beside the document, or for "/..." under the site's
// root. With a root, nothing outside it is read.
Result<QString> TagRewriter::localPicture(
    const QString& htmlFile, const QString& path, const TagOptions& options) const
{
    if (path.endsWith(u'/') || path.endsWith(nativeSeparator()))
        return Failure(ErrorCode::PathNotFound, path); // a folder, never a picture
    const QString& root = options.siteRoot;
    if (root.isEmpty())
        return GetPath(htmlFile) + path;
    const QString file = path.startsWith(u'/') ? root + path : GetPath(htmlFile) + path;
    const auto under = [](const QString& candidate, const QString& folder) {
        return candidate == folder || candidate.startsWith(withTrailingSeparator(folder));
    };
    const QString cleanRoot = QDir::cleanPath(QFileInfo(root).absoluteFilePath());
    const QString cleanFile = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    if (!under(cleanFile, cleanRoot))
        return Failure(ErrorCode::OutsideSiteRoot, path);
    // A link inside the root may still lead out of it.
    const QString linkedTo = QFileInfo(cleanFile).canonicalFilePath();
    if (!linkedTo.isEmpty() && !under(linkedTo, QFileInfo(cleanRoot).canonicalFilePath()))
        return Failure(ErrorCode::OutsideSiteRoot, path);
    return cleanFile;
}

Result<PictureSize> TagRewriter::measure(const ImageSource& source, const QString& pictureFile)
{
    if (source.kind == ImageSource::Kind::Data) {
        if (!source.dataValid)
            return Failure(ErrorCode::NotAPicture, QStringLiteral("Malformed data: address"));
        return MeasurePictureData(source.data);
    }
    return m_resources.measure(pictureFile);
}

// Both sides given: the picture's size when they are stale. The picture is
// measured only for that, so one that cannot be measured is no error here.
std::optional<PictureSize> TagRewriter::staleSize(
    const Dimension& width, const Dimension& height, const ImageSource& source, const QString& pictureFile)
{
    if (width.percentage || height.percentage)
        return std::nullopt;
    const Result<PictureSize> picture = measure(source, pictureFile);
    if (!picture || !isStaleSize(width, height, picture.value()))
        return std::nullopt;
    return picture.value();
}

void TagRewriter::failRow(int row, const ImageSource& source, const Failure& failure)
{
    if (failure.is(ErrorCode::PathNotFound))
        m_report.SetRowStatus(row, Outcome::ImageNotFound, failure);
    else
        m_report.SetRowStatus(row,
            source.kind == ImageSource::Kind::Remote ? Outcome::DownloadFailed : Outcome::PictureFailed,
            failure);
}

std::optional<QString> TagRewriter::findPicture(
    const ImageSource& source, const QString& htmlFile, const TagOptions& options, int row)
{
    switch (source.kind) {
    case ImageSource::Kind::Template:
        m_report.SetRowStatus(row, Outcome::TemplatePath);
        return std::nullopt;
    case ImageSource::Kind::Remote: {
        if (!options.online) {
            m_report.SetRowStatus(row, Outcome::Offline);
            return std::nullopt;
        }
        if (options.noTransfers) {
            failRow(row, source, *options.noTransfers);
            return std::nullopt;
        }
        m_report.SetRowStatus(row, Outcome::Downloading);
        const Result<QString> fetched = m_resources.download(source.target, options.rememberSizes);
        if (!fetched) {
            failRow(row, source, fetched.failure());
            return std::nullopt;
        }
        m_report.SetRowStatus(row, Outcome::NoChanges);
        return fetched.value();
    }
    case ImageSource::Kind::Local: {
        if (source.target.startsWith(u'/') && options.siteRoot.isEmpty()) {
            // Beside the page it would be another picture, or none.
            m_report.SetRowStatus(row, Outcome::NoSiteRoot);
            return std::nullopt;
        }
        const Result<QString> local = localPicture(htmlFile, source.target, options);
        if (!local) {
            failRow(row, source, local.failure());
            return std::nullopt;
        }
        return local.value();
    }
    case ImageSource::Kind::Data:
        break;
    }
    return QString(); // a data: source carries its picture itself
}

QString TagRewriter::clausesFor(
    const TagContext& context, const TagOptions& options, std::optional<ValueFix>* fix)
{
    const int row = m_report.AddReportRow(context.htmlFile, context.at);
    m_report.SetRowStatus(row, Outcome::NoChanges);

    const TagAttribute* src = context.find(u"src");
    if (!src) {
        m_report.SetRowStatus(row, Outcome::NoSrc);
        return {};
    }
    m_report.CountOne(Counter::Found);

    const ImageSource source = classifyImageSource(context.valueOf(*src));
    m_report.SetRowImage(row, source.shown);

    const TagAttribute* width = context.find(u"width");
    const TagAttribute* height = context.find(u"height");
    const bool hasBorder = context.find(u"border") != nullptr;
    const bool hasAlt = context.find(u"alt") != nullptr;

    QString clauses;
    auto fail = [&](const Failure& failure) {
        failRow(row, source, failure);
        return clauses; // what was added before the failure stays
    };
    auto append = [&](const QString& clause) {
        clauses += clause;
        m_report.SetRowStatus(row, Outcome::Tagged);
    };

    // A remote picture is fetched only when the tag lacks something.
    if (source.kind == ImageSource::Kind::Remote && options.online && width && height && hasBorder && hasAlt)
        return {};
    const std::optional<QString> pictureFile = findPicture(source, context.htmlFile, options, row);
    if (!pictureFile)
        return {};
    std::optional<PictureSize> stale; // the picture's size, when the size given is stale

    // " WIDTH=120", or on an XML page ' width="120"'.
    auto clause = [&](QStringView name, const QString& value) {
        if (context.xmlStyle)
            return u' ' + name.toString().toLower() + QStringLiteral("=\"") + escapeXmlAttributeValue(value)
                + u'"';
        return u' ' + name.toString() + u'=' + value;
    };

    if (!width && !height) {
        const Result<PictureSize> size = measure(source, *pictureFile);
        if (!size)
            return fail(size.failure());
        append(clause(u"WIDTH", size->widthText()));
        append(clause(u"HEIGHT", size->heightText()));
    } else if (!width || !height) {
        // One side given: the other keeps the picture's proportions. A percentage
        // leaves it to the browser; a value without a number gives no size at all.
        const std::optional<Dimension> given = readDimension(context.valueOf(width ? *width : *height));
        if (!given) {
            m_report.SetRowStatus(row, Outcome::SizeNotANumber);
        } else if (given->percentage) {
            m_report.SetRowStatus(row, Outcome::SizeInOtherUnits);
        } else if (!(given->value <= PictureSize::kMaxSide)) {
            // No picture is that large; the other side would be as absurd.
            m_report.SetRowStatus(row, Outcome::SizeOutOfRange);
        } else {
            const Result<PictureSize> size = measure(source, *pictureFile);
            if (!size)
                return fail(size.failure());
            if (width)
                append(clause(u"HEIGHT", proportionalSide(given->value, size->width, size->height)));
            else
                append(clause(u"WIDTH", proportionalSide(given->value, size->height, size->width)));
        }
    } else if (const std::optional<Dimension> givenWidth = readDimension(context.valueOf(*width)),
               givenHeight = readDimension(context.valueOf(*height));
               givenWidth && givenHeight) {
        if (std::optional<PictureSize> picture = staleSize(*givenWidth, *givenHeight, source, *pictureFile)) {
            if (fix && options.fixStale && !options.check) {
                // The author's width stays; the height's number follows it at the picture's shape.
                const qsizetype at = ImgTag::value(context.units, *height).data() - context.units.data();
                *fix = ValueFix { at + givenHeight->numberStart, at + givenHeight->numberEnd,
                    proportionalSide(givenWidth->value, picture->width, picture->height) };
            } else {
                stale = picture;
            }
        }
    }

    if (options.addBorder && !hasBorder)
        append(clause(u"BORDER", options.borderSize));

    if (options.addAlt && !hasAlt) {
        if (!options.altTextIndex)
            return fail(Failure(ErrorCode::TypeMismatch));
        const QString text = (*options.altTextIndex == 1) ? options.altText : source.shown;
        append(context.xmlStyle
                ? clause(u"ALT", text)
                : QStringLiteral(" ALT=\"") + escapeAttributeValue(text) + QStringLiteral("\""));
    }

    const bool fixed = fix && *fix;
    if (!clauses.isEmpty() || fixed)
        m_report.CountOne(Counter::Tagged);
    // A tag that gets clauses says so; its stale size shows once it needs nothing more.
    if (fixed)
        m_report.SetRowStatus(row, Outcome::StaleFixed);
    else if (!clauses.isEmpty() && options.check)
        m_report.SetRowStatus(row, Outcome::WouldTag, clauses.trimmed());
    else if (stale && clauses.isEmpty())
        m_report.SetRowStatus(
            row, Outcome::StaleSize, stale->widthText() + QStringLiteral(" x ") + stale->heightText());
    return clauses;
}

} // namespace quillon
