#include "tests/support/TagOracle.h"

#include "engine/StatusTexts.h"

#include <QRegularExpression>

#include <algorithm>

namespace quillon::test {

namespace {

// The oracle's own idea of a blank, kept apart from the scanner's.
bool blank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

bool opensImageTag(QStringView t, qsizetype i)
{
    return i + 4 < t.size() && t.sliced(i, 4).compare(u"<img", Qt::CaseInsensitive) == 0
        && (blank(t[i + 4]) || t[i + 4] == u'/' || t[i + 4] == u'>');
}

} // namespace

std::string visible(QStringView units, qsizetype limit)
{
    QString out;
    for (const QChar c : units.first(std::min(limit, units.size())))
        out += c >= u' ' && c < u'\x7F' && c != u'\\' ? QString(c)
                                                      : "\\x{" + QString::number(c.unicode(), 16) + "}";
    return (units.size() > limit ? out + "..." : out).toStdString();
}

std::vector<ImgTag> scanImgTags(QStringView units)
{
    std::vector<ImgTag> tags;
    TagScanner scanner(units);
    while (std::optional<ImgTag> tag = scanner.next())
        tags.push_back(std::move(*tag));
    return tags;
}

std::vector<qsizetype> unendedStarts(QStringView t, const std::vector<ImgTag>& tags)
{
    std::vector<qsizetype> starts;
    for (qsizetype i = 0, k = 0; i < t.size(); ++i) {
        while (k < qsizetype(tags.size()) && tags[k].end < i)
            ++k;
        if ((k == qsizetype(tags.size()) || i < tags[k].start) && opensImageTag(t, i))
            starts.push_back(i);
    }
    return starts;
}

Problem scannerProblem(QStringView t, const std::vector<ImgTag>& tags)
{
    for (size_t k = 0; k < tags.size(); ++k) {
        const ImgTag& tag = tags[k];
        if ((k > 0 && tag.start <= tags[k - 1].end) || !opensImageTag(t, tag.start) || tag.end >= t.size()
            || t[tag.end] != u'>')
            return say("tag at ", tag.start, " out of order, or not from an \"<img\" to a \">\"");
        for (qsizetype i = t.indexOf(u'>', tag.start); i != tag.end; i = t.indexOf(u'>', i + 1)) {
            const auto quotes = [i](const TagAttribute& a) {
                return !a.quote.isNull() && a.valueStart < i && i < a.valueEnd;
            };
            if (i < 0 || std::none_of(tag.attributes.begin(), tag.attributes.end(), quotes))
                return say("tag at ", tag.start, " does not end at the first \">\" outside quotes");
        }
        // A value that starts with a quote runs to the next such quote; no other value is quoted.
        for (const TagAttribute& a : tag.attributes) {
            const QChar first = a.hasValue() ? t[a.valueStart] : QChar();
            if ((first == u'"' || first == u'\'' ? first : QChar()) != a.quote
                || (!a.quote.isNull() && t.indexOf(a.quote, a.valueStart + 1) != a.valueEnd - 1))
                return say(
                    "tag at ", tag.start, ": the value at ", a.valueStart, " is not read as HTML reads it");
        }
        // New attributes go before the ">"; or before the blanks in front of the "/" of
        // "/>", or in front of a last attribute with "=" and no value, which would take
        // them for its value.
        const TagAttribute* last = tag.attributes.isEmpty() ? nullptr : &tag.attributes.back();
        const qsizetype lastEnd = !last ? tag.start + 4 : last->hasValue() ? last->valueEnd : last->nameEnd;
        qsizetype want = tag.end;
        if (last && last->valueStart == tag.end)
            want = last->nameStart;
        else if (t[tag.end - 1] == u'/' && tag.end - 1 >= lastEnd) // not the last "/" of an unquoted value
            want = tag.end - 1;
        while (want < tag.end && want > tag.start + 4 && blank(t[want - 1]))
            --want;
        if (tag.insertAt != want)
            return say("tag at ", tag.start, " inserts at ", tag.insertAt, ", not ", want);
    }
    for (const qsizetype start : unendedStarts(t, tags)) {
        const qsizetype close = t.indexOf(u'>', start);
        const QStringView inside = t.sliced(start, std::max<qsizetype>(close - start, 0));
        if (close >= 0 && !inside.contains(u'"') && !inside.contains(u'\''))
            return say("the tag at ", start, " has an end but was not found");
    }
    return std::nullopt;
}

Problem insertionsOnly(
    QStringView before, const std::vector<ImgTag>& tags, QStringView after, std::vector<Inserted>& inserted)
{
    static const QRegularExpression clauses(QStringLiteral(
        "(?: WIDTH=([0-9]+))?(?: HEIGHT=([0-9]+))?(?: BORDER=([0-9]+))?(?: ALT=\"([^\"]*)\")?"));
    // The expression cannot read lone surrogates: each becomes U+FFFD, one unit for one.
    // (UTF-8 and back would also drop a U+FEFF at the start, and shift every offset.)
    QString readable = after.toString();
    for (qsizetype i = 0; i < readable.size(); ++i) {
        if (readable[i].isHighSurrogate() && i + 1 < readable.size() && readable[i + 1].isLowSurrogate())
            ++i;
        else if (readable[i].isSurrogate())
            readable[i] = QChar::ReplacementCharacter;
    }
    qsizetype b = 0, a = 0;
    const auto same = [&](qsizetype end) -> Problem {
        if (after.size() - a < end - b || after.sliced(a, end - b) != before.sliced(b, end - b))
            return say(
                "text changed between units ", b, " and ", end, ": now «", visible(after.sliced(a), 80), "»");
        a += end - b, b = end;
        return std::nullopt;
    };
    for (const ImgTag& tag : tags) {
        if (Problem problem = same(tag.insertAt))
            return problem;
        Inserted in { clauses.match(
            readable, a, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption) };
        in.length = in.clauses.capturedLength();
        const bool apart = in.length > 0 && !blank(before[b]) && before[b] != u'>'; // before a name or "/"
        if (apart && !after.sliced(a + in.length).startsWith(u' '))
            return "no blank between the clauses and what follows them: «" + visible(after.sliced(a), 120)
                + "»";
        a += in.length += apart;
        inserted.push_back(in);
    }
    if (Problem problem = same(before.size()))
        return problem;
    return a == after.size() ? Problem() : "text added at the end: «" + visible(after.sliced(a), 60) + "»";
}

Problem rowProblem(bool changed, const QString& said)
{
    if (said == status::Success ? !changed : changed && !status::isError(said))
        return say("the row says «", said.toStdString(), "» for a tag ", changed ? "changed" : "left alone");
    return std::nullopt;
}

bool tagsMoved(
    const std::vector<ImgTag>& tags, const std::vector<Inserted>& inserted, const std::vector<ImgTag>& again)
{
    if (again.size() != tags.size())
        return true;
    for (qsizetype k = 0, shift = 0; k < qsizetype(tags.size()); shift += inserted[k++].length) {
        if (again[k].start != tags[k].start + shift
            || again[k].end != tags[k].end + shift + inserted[k].length)
            return true;
    }
    return false;
}

} // namespace quillon::test
