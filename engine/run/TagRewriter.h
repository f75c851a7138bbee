#pragma once

#include "engine/html/LineCounter.h"
#include "engine/measure/PictureSize.h"
#include "engine/run/TagOptions.h"
#include "platform/Result.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace quillon {

class DocumentText;
class RunReport;
class RunResources;
struct Dimension;
struct ImageSource;
struct ImgTag;
struct TagAttribute;

// Units [start, end) of the scanned text written over with text: a stale value corrected.
struct ValueFix {
    qsizetype start = 0;
    qsizetype end = 0;
    QString text;
};

// One image tag as the rewriter sees it: where it stands in the text it was
// scanned in, and the page it belongs to.
struct TagContext {
    QStringView units; // the text scanned
    const ImgTag& tag; // the tag found in it
    const DocumentText* document; // what the units mean as text; none: they are text already
    const QString& htmlFile; // the page, as the file list names it
    bool xmlStyle; // lower-case names and quoted values, escaped for XML
    TextPosition at; // where the tag starts in its page

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
    // With options.fixStale and a fix to fill, a stale height is corrected there too.
    QString clausesFor(
        const TagContext& context, const TagOptions& options, std::optional<ValueFix>* fix = nullptr);

    // tagText is what stands between the tag's "<" and ">" (for example
    // «img src="a.gif"»); the result is the new text, with the missing clauses
    // added. Anything but one whole image tag comes back as it is, without a row.
    QString TagImage(const QString& tagText, const QString& htmlFile, const TagOptions& options);

    // The size of the picture in pictureFile, or carried by a data: source.
    Result<PictureSize> measure(const ImageSource& source, const QString& pictureFile);
    // Where source's picture is read: a local or fetched file, or "" when source
    // carries it. None when it cannot be, and then row says why (offline, a
    // template, a failure).
    std::optional<QString> findPicture(
        const ImageSource& source, const QString& htmlFile, const TagOptions& options, int row);
    // row ends in failure: a missing folder, or a picture that cannot be read or fetched.
    void failRow(int row, const ImageSource& source, const Failure& failure);

private:
    // The file of a local picture path as the page at htmlFile names it.
    Result<QString> localPicture(
        const QString& htmlFile, const QString& path, const TagOptions& options) const;
    std::optional<PictureSize> staleSize(const Dimension& width, const Dimension& height,
        const ImageSource& source, const QString& pictureFile);
    RunReport& m_report;
    RunResources& m_resources;
};

} // namespace quillon
