// The tag scanner and the rewriter on any bytes: a document's bytes decode and
// encode back to themselves, its tags are found where HTML finds them, and each
// tag, given to TagImage on its own, comes back with clauses inserted just before
// its end and nothing else changed. The whole input goes to TagImage as well.
#include "engine/DocumentText.h"
#include "engine/StatusTexts.h"
#include "engine/TaggingEngine.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/TagOracle.h"

#include <cstddef>
#include <cstdint>

namespace quillon::fuzz {
namespace {

using test::Problem;
using test::say;

// Enough to reach every kind of tag; an input of thousands of tags tells no more.
constexpr size_t kMaxTagsRewritten = 64;

TaggingEngine& engine(const TagOptions& options)
{
    static TagOptions current;
    static RefusingFetcher fetcher;
    static TaggingEngine tagging([] { return current; }, fetcher);
    current = options;
    tagging.ClearStatus();
    return tagging;
}

// TagImage on tagText: one whole tag gets clauses at its insertion point and one
// report row, and a second call adds nothing more; anything else comes back as it
// went in, without a row.
Problem tagImageProblem(TaggingEngine& tagging, const QString& tagText, bool fromDocument)
{
    const QString& page = fuzzFolder().page;
    const QString full = u'<' + tagText + u'>';
    const std::vector<ImgTag> tags = test::scanImgTags(full);
    const bool whole = tags.size() == 1 && tags[0].start == 0 && tags[0].end == full.size() - 1;
    if (fromDocument && !whole)
        return "a tag found in a document is not one whole tag on its own: «" + test::visible(full) + "»";

    const qsizetype rows = tagging.report().rows().size();
    const int tagged = tagging.report().counters().totalOf(Counter::Tagged);
    const QString result = tagging.TagImage(tagText, page);
    if (!whole) {
        if (result != tagText || tagging.report().rows().size() != rows)
            return "not an image tag, yet TagImage changed it or reported it";
        return std::nullopt;
    }
    std::vector<test::Inserted> inserted;
    const QString after = u'<' + result + u'>';
    if (Problem problem = test::insertionsOnly(full, tags, after, inserted))
        return "TagImage: " + *problem;
    const bool changed = inserted[0].length > 0;
    if (tagging.report().rows().size() != rows + 1)
        return "TagImage did not report the tag in one row";
    const QString& said = tagging.report().rows().back().status;
    if (Problem problem = test::rowProblem(changed, said))
        return "TagImage: " + *problem;
    if (tagging.report().counters().totalOf(Counter::Tagged) != tagged + int(said == status::Success))
        return "TagImage did not count a tag tagged once, or counted one that was not";
    const std::vector<ImgTag> again = test::scanImgTags(after);
    if (again.size() != 1 || again[0].start != 0 || again[0].end != after.size() - 1)
        return "the rewritten tag is no longer one whole tag: «" + test::visible(after) + "»";
    if (changed && tagging.TagImage(result, page) != result)
        return "a second TagImage added more: «" + test::visible(after) + "»";
    return std::nullopt;
}

} // namespace

Problem problemWith(QByteArrayView input)
{
    const QByteArray bytes = input.toByteArray();
    const DocumentText text = DocumentText::decode(bytes);
    const QStringView units = text.units();
    if (text.encode(units.toString()) != bytes)
        return "the document does not encode back to its bytes";
    const std::vector<ImgTag> tags = test::scanImgTags(units);
    if (Problem problem = test::scannerProblem(units, tags))
        return "scanner: " + *problem;

    TaggingEngine& tagging = engine(optionsFor(input));
    for (size_t k = 0; k < std::min(tags.size(), kMaxTagsRewritten); ++k) {
        const ImgTag& tag = tags[k];
        const QString inside = text.toText(units.sliced(tag.start + 1, tag.end - tag.start - 1));
        if (Problem problem = tagImageProblem(tagging, inside, true))
            return say("tag at ", tag.start, ": ", *problem);
    }
    if (Problem problem = tagImageProblem(tagging, text.toText(units), false))
        return "the whole input as a tag: " + *problem;
    return std::nullopt;
}

} // namespace quillon::fuzz
