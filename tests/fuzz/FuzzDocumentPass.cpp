// The whole document pass on any bytes: the input is written as a page beside
// pictures of known sizes, TagFile rewrites it, and what it wrote must be the input
// with clauses inserted just before the ends of its image tags, in the same
// encoding, reported tag by tag; a second pass over the result adds nothing.
#include "engine/DocumentText.h"
#include "engine/StatusTexts.h"
#include "engine/TaggingEngine.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/TagOracle.h"

#include <QFile>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace quillon::fuzz {
namespace {

using test::Problem;
using test::say;

bool writePage(const QByteArray& bytes)
{
    QFile file(fuzzFolder().page);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readPage()
{
    QFile file(fuzzFolder().page);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

struct Pass {
    QList<ReportRow> rows;
    Counters counters;
};

Pass tagPage(const TagOptions& options)
{
    RefusingFetcher fetcher;
    TaggingEngine engine([options] { return options; }, fetcher);
    engine.TagFile(fuzzFolder().page);
    engine.DoneScanning();
    return { engine.report().rows(), engine.report().counters() };
}

} // namespace

Problem problemWith(QByteArrayView input)
{
    const QByteArray bytes = input.toByteArray();
    const TagOptions options = optionsFor(input);
    if (!writePage(bytes))
        return "cannot write the page";
    const Pass pass = tagPage(options);
    const QByteArray after = readPage();
    if (QFile::exists(fuzzFolder().page + QStringLiteral(".bak")))
        return "a backup was written with backups off";

    const DocumentText text = DocumentText::decode(bytes);
    const QStringView units = text.units();
    const std::vector<ImgTag> tags = test::scanImgTags(units);
    if (Problem problem = test::scannerProblem(units, tags))
        return "scanner: " + *problem;
    const DocumentText changed = DocumentText::decode(after);
    if (changed.encoding() != text.encoding())
        return "the rewritten page reads in another encoding";
    std::vector<test::Inserted> inserted;
    if (Problem problem = test::insertionsOnly(units, tags, changed.units(), inserted))
        return problem;

    if (size_t(pass.rows.size()) != tags.size())
        return say("report: ", pass.rows.size(), " rows for ", tags.size(), " tags");
    const auto successes = std::count_if(pass.rows.begin(), pass.rows.end(),
        [](const ReportRow& row) { return row.status == status::Success; });
    if (pass.counters.totalOf(Counter::Tagged) != successes)
        return say(
            "report: Tagged ", pass.counters.totalOf(Counter::Tagged), " for ", successes, " successes");
    for (size_t k = 0; k < tags.size(); ++k) {
        if (Problem problem = test::rowProblem(inserted[k].length > 0, pass.rows[k].status))
            return say("tag at ", tags[k].start, ": ", *problem);
    }
    if (std::none_of(inserted.begin(), inserted.end(), [](auto& in) { return in.length > 0; }))
        return after == bytes ? Problem() : "nothing inserted, yet the page changed";

    // The clauses move the tags and nothing else; a second pass has nothing to add.
    if (test::tagsMoved(tags, inserted, test::scanImgTags(changed.units())))
        return "the clauses moved the tags";
    tagPage(options);
    if (readPage() != after)
        return "a second pass over the rewritten page changed it again";
    return std::nullopt;
}

} // namespace quillon::fuzz
