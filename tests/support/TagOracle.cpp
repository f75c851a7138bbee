#include "tests/support/TagOracle.h"

#include "engine/html/DocumentText.h"
#include "engine/run/Outcome.h"
#include "engine/html/TagScanner.h"
#include "engine/run/TaggingEngine.h"
#include "tests/support/Pictures.h"

#include <QRegularExpression>

#include <algorithm>
#include <sstream>

namespace quillon::test {

namespace {

template <typename... Parts> std::string say(const Parts&... parts)
{
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

std::vector<ImgTag> scan(QStringView units)
{
    std::vector<ImgTag> tags;
    TagScanner scanner(units);
    while (std::optional<ImgTag> tag = scanner.next())
        tags.push_back(std::move(*tag));
    return tags;
}

// Where new attributes belong: before the ">"; or before the blanks in front of the
// "/" of "/>", or of a last attribute with "=" and no value, which would take them in.
qsizetype insertionPoint(QStringView t, const ImgTag& tag)
{
    const TagAttribute* last = tag.attributes.isEmpty() ? nullptr : &tag.attributes.back();
    const qsizetype lastEnd = !last ? tag.start + 4 : last->hasValue() ? last->valueEnd : last->nameEnd;
    qsizetype at = tag.end;
    if (last && last->valueStart == tag.end)
        at = last->nameStart;
    else if (t[tag.end - 1] == u'/' && tag.end - 1 >= lastEnd) // not the last "/" of an unquoted value
        at = tag.end - 1;
    while (at < tag.end && at > tag.start + 4 && isHtmlBlank(t[at - 1]))
        --at;
    return at;
}

// Tags in order, each from an "<img" to a ">", with new attributes where they belong.
Problem scannerProblem(QStringView t, const std::vector<ImgTag>& tags)
{
    for (size_t k = 0; k < tags.size(); ++k) {
        const ImgTag& tag = tags[k];
        if ((k > 0 && tag.start <= tags[k - 1].end) || tag.end >= t.size() || tag.end < tag.start + 4
            || t.sliced(tag.start, 4).compare(u"<img", Qt::CaseInsensitive) || t[tag.end] != u'>')
            return say("tag at ", tag.start, " out of order, or not from an \"<img\" to a \">\"");
        if (tag.insertAt != insertionPoint(t, tag))
            return say("tag at ", tag.start, " inserts at ", tag.insertAt, ", not ", insertionPoint(t, tag));
    }
    return std::nullopt;
}

// The clauses found at each insertion point of before in after, the only difference
// allowed between them; captures 1 to 4 hold WIDTH, HEIGHT, BORDER and ALT. Each
// run's length counts the blank that keeps it apart from a name or "/" after it.
Problem insertionsOnly(QStringView before, const std::vector<ImgTag>& tags, QStringView after,
    std::vector<QRegularExpressionMatch>& runs, std::vector<qsizetype>& lengths)
{
    static const QRegularExpression html(QStringLiteral(
        R"re((?: WIDTH=([0-9]+))?(?: HEIGHT=([0-9]+))?(?: BORDER=([0-9]+))?(?: ALT="([^"]*)")?)re"));
    static const QRegularExpression xml(QStringLiteral(
        R"re((?: width="([0-9]+)")?(?: height="([0-9]+)")?(?: border="([0-9]+)")?(?: alt="([^"<>]*)")?)re"));
    QString readable = after.toString(); // one unit for one, none that the expression cannot read
    std::replace_if(
        readable.begin(), readable.end(), [](QChar c) { return c.isSurrogate(); }, QChar(0xFFFD));
    const auto anchored = QRegularExpression::AnchorAtOffsetMatchOption;
    qsizetype b = 0, a = 0;
    const auto same = [&](qsizetype end) {
        const bool kept
            = after.size() - a >= end - b && after.sliced(a, end - b) == before.sliced(b, end - b);
        a += end - b, b = end;
        return kept;
    };
    for (const ImgTag& tag : tags) {
        if (!same(tag.insertAt))
            return say("the text before the tag at ", tag.start, " changed");
        runs.push_back(html.match(readable, a, QRegularExpression::NormalMatch, anchored));
        if (runs.back().capturedLength() == 0)
            runs.back() = xml.match(readable, a, QRegularExpression::NormalMatch, anchored);
        const qsizetype length = runs.back().capturedLength();
        const bool apart = length > 0 && !isHtmlBlank(before[b]) && before[b] != u'>';
        if (apart && (a + length == after.size() || after[a + length] != u' '))
            return say("no blank after the clauses of the tag at ", tag.start);
        lengths.push_back(length + apart);
        a += length + apart;
    }
    if (!same(before.size()) || a != after.size())
        return std::string("the text after the last tag changed");
    return std::nullopt;
}

RunReport tagPage(const QString& page, const TagOptions& options)
{
    RefusingFetcher fetcher;
    TaggingEngine engine([options] { return options; }, fetcher);
    engine.run({ page });
    return engine.report();
}

} // namespace

TagOptions optionsFrom(quint32 bits)
{
    TagOptions options;
    options.generateBackups = false;
    options.addBorder = bits & 1;
    options.borderSize = QString::number((bits >> 1) & 3);
    options.addAlt = bits & 8;
    const int alt = (bits >> 4) & 3; // 2: an index that is no number
    options.altTextIndex = alt == 2 ? std::nullopt : std::optional<double>(alt == 1 ? 1.0 : 0.0);
    options.altText
        = QString::fromUtf8("Tom & \"Jerry\" caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80");
    options.online = bits & 64;
    options.lowerCaseClauses = bits & 128;
    return options;
}

PassOracle::PassOracle()
{
    m_dir.write(QStringLiteral("a.gif"), makePicture(QStringLiteral("gif"), 120, 60));
    m_dir.write(QStringLiteral("b.png"), makePicture(QStringLiteral("png"), 7, 3));
}

Problem PassOracle::check(QByteArrayView input, const TagOptions& options) const
{
    const QByteArray bytes = input.toByteArray();
    const QString page = m_dir.write(QStringLiteral("page.html"), bytes);
    const RunReport report = tagPage(page, options);
    const QByteArray after = slurp(page);

    const DocumentText text = DocumentText::decode(bytes);
    const DocumentText changed = DocumentText::decode(after);
    const QStringView units = text.units();
    const std::vector<ImgTag> tags = scan(units);
    if (Problem problem = scannerProblem(units, tags))
        return "scanner: " + *problem;
    if (changed.encoding() != text.encoding())
        return std::string("the rewritten page reads in another encoding");
    std::vector<QRegularExpressionMatch> runs;
    std::vector<qsizetype> lengths;
    if (Problem problem = insertionsOnly(units, tags, changed.units(), runs, lengths))
        return problem;

    const QList<ReportRow>& rows = report.rows();
    if (size_t(rows.size()) != tags.size())
        return say("report: ", rows.size(), " rows for ", tags.size(), " tags");
    int successes = 0;
    for (size_t k = 0; k < tags.size(); ++k) {
        const Outcome said = rows[k].outcome;
        const bool clauses = lengths[k] > 0;
        successes += said == Outcome::Tagged;
        if (said == Outcome::Tagged ? !clauses : clauses && !isError(said))
            return say("tag at ", tags[k].start, ": «", rows[k].statusText().toStdString(), "» for ",
                lengths[k], " units");
        const TagAttribute* src = tags[k].find(units, u"src");
        const QStringView source = src ? ImgTag::value(units, *src) : QStringView();
        const QString size = source == u"a.gif" ? QStringLiteral("120x60") : QStringLiteral("7x3");
        if ((source == u"a.gif" || source == u"b.png") && !tags[k].find(units, u"width")
            && !tags[k].find(units, u"height") && runs[k].captured(1) + u'x' + runs[k].captured(2) != size)
            return say("tag at ", tags[k].start, ": not given the size of ", source.toString().toStdString());
    }
    if (report.counters().totalOf(Counter::Tagged) != successes)
        return say("Tagged ", report.counters().totalOf(Counter::Tagged), " for ", successes, " successes");
    if (std::all_of(lengths.begin(), lengths.end(), [](qsizetype n) { return n == 0; }))
        return after == bytes ? Problem() : "nothing inserted, yet the page changed";

    const std::vector<ImgTag> again = scan(changed.units());
    for (qsizetype k = 0, shift = 0; k < qsizetype(tags.size()); shift += lengths[k++]) {
        if (again.size() != tags.size() || again[k].start != tags[k].start + shift
            || again[k].end != tags[k].end + shift + lengths[k])
            return say("the clauses moved the tag at ", tags[k].start, ", its end, or the tags after it");
    }
    tagPage(page, options);
    return slurp(page) == after ? Problem() : "a second pass changed the page again";
}

} // namespace quillon::test
