#include "tests/support/TagOracle.h"

#include "engine/StatusTexts.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>

namespace quillon::test {

namespace {

// The oracle's own idea of a blank, kept apart from the scanner's.
bool blank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

// Whether the text at i starts with word (lower case) in any ASCII letter case.
bool at(QStringView t, qsizetype i, QStringView word)
{
    if (i + word.size() > t.size())
        return false;
    for (qsizetype k = 0; k < word.size(); ++k) {
        const char16_t u = t[i + k].unicode();
        if ((u >= u'A' && u <= u'Z' ? u + 32 : u) != word[k].unicode())
            return false;
    }
    return true;
}

bool letter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// "<name" or "</name" at i, followed by a blank, "/" or ">": where the name's follower is, or -1.
qsizetype namedTag(QStringView t, qsizetype i, QStringView name, bool endTag)
{
    const qsizetype after = i + (endTag ? 2 : 1) + name.size();
    return at(t, i, endTag ? u"</" : u"<") && at(t, i + (endTag ? 2 : 1), name) && after < t.size()
            && (blank(t[after]) || t[after] == u'/' || t[after] == u'>')
        ? after
        : -1;
}

// The first of several things looked for from i: its position and which, or -1.
std::pair<qsizetype, int> firstOf(const std::vector<std::function<qsizetype(qsizetype)>>& finds, qsizetype i)
{
    std::pair<qsizetype, int> best { -1, -1 };
    for (int k = 0; k < int(finds.size()); ++k) {
        const qsizetype found = finds[k](i);
        if (found >= 0 && (best.first < 0 || found < best.first))
            best = { found, k };
    }
    return best;
}

// The first "</name" + blank, "/" or ">" at or after i, or -1.
qsizetype findEndTag(QStringView t, qsizetype i, QStringView name, bool endTag = true)
{
    for (i = t.indexOf(u'<', i); i >= 0; i = t.indexOf(u'<', i + 1)) {
        if (namedTag(t, i, name, endTag) >= 0)
            return i;
    }
    return -1;
}

// A script's text from i: where its end tag is, or -1. A comment opened in it
// hides "</script>" from a "<script" inside the comment to its own "</script>".
qsizetype scriptEnd(QStringView t, qsizetype i)
{
    const auto endTag = [t](qsizetype from) { return findEndTag(t, from, u"script"); };
    const auto startTag = [t](qsizetype from) { return findEndTag(t, from, u"script", false); };
    const auto comment = [t](qsizetype from) { return t.indexOf(u"<!--", from); };
    const auto commentEnd = [t](qsizetype from) { return t.indexOf(u"-->", from); };
    enum { Plain, Commented, Nested } mode = Plain;
    while (i >= 0) {
        if (mode == Plain) {
            const auto [found, which] = firstOf({ endTag, comment }, i);
            if (which != 1)
                return found;
            i = found + 2; // "<!-->" closes at once: the dashes count for "-->"
            mode = Commented;
        } else if (mode == Commented) {
            const auto [found, which] = firstOf({ endTag, startTag, commentEnd }, i);
            if (which <= 0)
                return found;
            i = which == 2 ? found + 3 : namedTag(t, found, u"script", false) + 1;
            mode = which == 2 ? Plain : Nested;
        } else {
            const auto [found, which] = firstOf({ endTag, commentEnd }, i);
            if (found < 0)
                return -1;
            i = which == 1 ? found + 3 : namedTag(t, found, u"script", true) + 1;
            mode = which == 1 ? Plain : Commented;
        }
    }
    return -1;
}

// A tag from its "<" at i as HTML reads it: the ">" that ends it (or -1 when the
// text ends first) and its name.
std::pair<qsizetype, QString> readTag(QStringView t, qsizetype i)
{
    qsizetype j = i + (t[i + 1] == u'/' ? 2 : 1);
    const qsizetype nameStart = j;
    while (j < t.size() && !blank(t[j]) && t[j] != u'/' && t[j] != u'>')
        ++j;
    const QString name = t.sliced(nameStart, j - nameStart).toString().toLower();
    for (;;) {
        while (j < t.size() && (blank(t[j]) || t[j] == u'/'))
            ++j;
        if (j == t.size() || t[j] == u'>')
            return { j < t.size() ? j : -1, name };
        ++j; // a name's first character may be anything, even "="
        while (j < t.size() && !blank(t[j]) && t[j] != u'/' && t[j] != u'>' && t[j] != u'=')
            ++j;
        while (j < t.size() && blank(t[j]))
            ++j;
        if (j == t.size() || t[j] != u'=')
            continue;
        ++j;
        while (j < t.size() && blank(t[j]))
            ++j;
        if (j < t.size() && (t[j] == u'"' || t[j] == u'\'')) {
            j = t.indexOf(t[j], j + 1);
            if (j < 0)
                return { -1, name };
            ++j;
        } else {
            while (j < t.size() && !blank(t[j]) && t[j] != u'>')
                ++j;
        }
    }
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

std::vector<std::pair<qsizetype, qsizetype>> visibleImageTags(QStringView t)
{
    std::vector<std::pair<qsizetype, qsizetype>> found;
    for (qsizetype i = t.indexOf(u'<'); i >= 0 && i + 1 < t.size(); i = t.indexOf(u'<', i)) {
        if (at(t, i, u"<!--")) {
            const qsizetype shortEnd = at(t, i + 4, u">") ? i + 5 : at(t, i + 4, u"->") ? i + 6 : -1;
            const auto [close, which]
                = firstOf({ [t](qsizetype from) { return t.indexOf(u"-->", from); },
                              [t](qsizetype from) { return t.indexOf(u"--!>", from); } },
                    i + 4);
            i = shortEnd >= 0 ? shortEnd : close < 0 ? -1 : close + 3 + which;
        } else if (at(t, i, u"</>")) {
            i += 3;
        } else if (letter(t[i + 1]) || (t[i + 1] == u'/' && i + 2 < t.size() && letter(t[i + 2]))) {
            const auto [end, name] = readTag(t, i);
            if (end < 0)
                break;
            const bool startTag = t[i + 1] != u'/';
            if (startTag && name == u"img")
                found.emplace_back(i, end);
            i = end + 1;
            if (startTag && name == u"plaintext")
                break;
            if (startTag && name == u"script")
                i = scriptEnd(t, i);
            for (const char16_t* raw :
                { u"style", u"xmp", u"iframe", u"noembed", u"noframes", u"textarea", u"title" })
                i = startTag && name == QStringView(raw) ? findEndTag(t, i, raw) : i;
        } else if (t[i + 1] == u'!' || t[i + 1] == u'?' || t[i + 1] == u'/') {
            i = t.indexOf(u'>', i + 2);
            i = i < 0 ? -1 : i + 1;
        } else {
            ++i;
        }
        if (i < 0)
            break;
    }
    return found;
}

std::vector<ImgTag> scanImgTags(QStringView units)
{
    std::vector<ImgTag> tags;
    TagScanner scanner(units);
    while (std::optional<ImgTag> tag = scanner.next())
        tags.push_back(std::move(*tag));
    return tags;
}

Problem scannerProblem(QStringView t, const std::vector<ImgTag>& tags)
{
    for (size_t k = 0; k < tags.size(); ++k) {
        const ImgTag& tag = tags[k];
        if ((k > 0 && tag.start <= tags[k - 1].end) || !at(t, tag.start, u"<img") || tag.end >= t.size()
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
    const auto visible = visibleImageTags(t);
    for (size_t k = 0; k < std::max(visible.size(), tags.size()); ++k) {
        if (k >= tags.size() || k >= visible.size() || tags[k].start != visible[k].first
            || tags[k].end != visible[k].second)
            return say("tag ", k, " is not the one a browser sees: it is at ",
                k < tags.size() ? tags[k].start : -1, ", a browser has ",
                k < visible.size() ? visible[k].first : -1);
    }
    return std::nullopt;
}

Problem insertionsOnly(
    QStringView before, const std::vector<ImgTag>& tags, QStringView after, std::vector<Inserted>& inserted)
{
    static const QRegularExpression clauses(QStringLiteral(
        "(?: WIDTH=([0-9]+))?(?: HEIGHT=([0-9]+))?(?: BORDER=([0-9]+))?(?: ALT=\"([^\"]*)\")?"));
    // On XML pages: lower-case names, quoted values, no "<" or ">" left bare.
    static const QRegularExpression xmlClauses(
        QStringLiteral("(?: width=\"([0-9]+)\")?(?: height=\"([0-9]+)\")?(?: border=\"([0-9]+)\")?(?: "
                       "alt=\"([^\"<>]*)\")?"));
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
        if (in.clauses.capturedLength() == 0)
            in.clauses = xmlClauses.match(
                readable, a, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
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
