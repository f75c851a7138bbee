#pragma once

#include "engine/html/LineCounter.h"
#include "engine/html/TagScanner.h"
#include "engine/measure/PictureSize.h"
#include "engine/run/TagOptions.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace quillon {

class RunReport;
class TagRewriter;
struct ImageSource;
struct TagContext;

// The <source> elements of a <picture>. A browser lays a picture out in the box
// its <img> gives, whichever source it shows, unless that source gives a box of
// its own: a source of another shape needs one, or the page jumps when its
// picture arrives. Once the <img> has both sides (given or added), each source
// before it with neither side gets the <img>'s width and the height its first
// candidate's shape gives; one of the same shape is left alone, and one with a
// side given gets the other by proportion, as an <img> does. Sources are rows of
// the report of their own, but no images found or tagged. A <source> outside a
// <picture> (of <audio> or <video>) is left alone. One of these follows one page.
class PictureSources {
public:
    // The tags the document pass reads, by their index in kElements.
    enum Element : qsizetype { Img, Picture, Source };
    static constexpr std::array<QStringView, 3> kElements { u"img", u"picture", u"source" };

    PictureSources(RunReport& report, TagRewriter& rewriter)
        : m_report(report)
        , m_rewriter(rewriter)
    {
    }

    // Follows the page's pictures through tag, found with kElements and their end
    // tags. True when tag is no <img> start tag, and so no work for the rewriter.
    // at is where the tag starts in its page.
    bool follow(const ImgTag& tag, TextPosition at);

    struct SourceClauses {
        ImgTag source;
        QString clauses;
    };
    // Once the rewriter made imgClauses for img: the clauses of the sources of
    // img's picture, in document order. Nothing when img is not the first <img>
    // of a picture, or has no size of its own even with its clauses.
    QList<SourceClauses> clausesFor(
        const TagContext& img, const QString& imgClauses, const TagOptions& options);

private:
    QString clausesFor(const TagContext& source, const PictureSize& box, const TagOptions& options);
    std::optional<PictureSize> measure(
        const ImageSource& source, const QString& htmlFile, const TagOptions& options, int row);

    RunReport& m_report;
    TagRewriter& m_rewriter;
    bool m_inPicture = false; // after a <picture>, before its <img>
    struct Met {
        ImgTag tag;
        TextPosition at;
    };
    QList<Met> m_sources; // the sources met since
};

} // namespace quillon
