#pragma once

#include "engine/measure/PictureSize.h"
#include "engine/run/TagOptions.h"
#include "platform/Result.h"

#include <QString>
#include <QStringView>

namespace quillon {

class DocumentText;
class RunReport;
class RunResources;
struct ImageSource;
struct ImgTag;
struct TagAttribute;

// One image tag as the rewriter sees it: where it stands in the text it was
// scanned in, and the page it belongs to.
struct TagContext {
    QStringView units; // the text scanned
    const ImgTag& tag; // the tag found in it
    const DocumentText* document; // what the units mean as text; none: they are text already
    const QString& htmlFile; // the page, as the file list names it
    bool xmlStyle; // lower-case names and quoted values, escaped for XML

    const TagAttribute* find(QStringView name) const;
    QString valueOf(const TagAttribute& attribute) const;
};

// The tag rewriter: for one image tag, the clauses it lacks (WIDTH and HEIGHT
// measured from its picture, BORDER and ALT as the options ask), one report row
// saying what became of it, and the counters moved. No failure reaches its
// caller: each ends in the tag's row.
class TagRewriter {
public:
    TagRewriter(RunReport& report, RunResources& resources)
        : m_report(report)
        , m_resources(resources)
    {
    }

    // The clauses that go at the tag's insertion point; empty when nothing is added.
    QString clausesFor(const TagContext& context, const TagOptions& options);

    // tagText is what stands between the tag's "<" and ">" (for example
    // «img src="a.gif"»); the result is the new text, with the missing clauses
    // added. Anything but one whole image tag comes back as it is, without a row.
    QString TagImage(const QString& tagText, const QString& htmlFile, const TagOptions& options);

    // The size of the picture in pictureFile, or carried by a data: source.
    Result<PictureSize> measure(const ImageSource& source, const QString& pictureFile);
    // The file of a local picture path as the page at htmlFile names it.
    Result<QString> localPicture(
        const QString& htmlFile, const QString& path, const TagOptions& options) const;

private:
    RunReport& m_report;
    RunResources& m_resources;
};

} // namespace quillon
