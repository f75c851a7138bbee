#include "tests/support/TagOracle.h"

#include "engine/html/DocumentText.h"
#include "engine/run/Outcome.h"
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

bool blank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

// Names compare in ASCII letter case only: «ſcript» is no script.
bool named(QStringView name, QStringView lowerCase)
{
    const auto fold = [](QChar c) { return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c; };
    return std::equal(name.begin(), name.end(), lowerCase.begin(), lowerCase.end(),
        [&](QChar a, QChar b) { return fold(a) == b; });
}

// "<name", or "</name" for an end tag, at i, then a blank, "/" or ">".
bool tagAt(QStringView t, qsizetype i, QStringView name, bool endTag = false)
{
    const qsizetype after = i + 1 + endTag + name.size();
    return after < t.size() && t[i] == u'<' && (!endTag || t[i + 1] == u'/')
        && named(t.sliced(i + 1 + endTag, name.size()), name)
        && (blank(t[after]) || t[after] == u'/' || t[after] == u'>');
}

// The text with each lone surrogate, which a regular expression cannot read, as
// U+FFFD: one unit for one.
QString readable(QStringView units)
{
    QString text = units.toString();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

// The oracle's own reading of the markup at a "<", in HTML's blanks ("\s" would
// take more), written to be read rather than to be fast. A quote opens a value only
// right after "=", and a tag ends at the first ">" outside such values. Every
// quantifier is possessive: a tag reads one way only, and one left open, like a
// comment left open, runs to the end of the text.
// An attribute: blanks or "/" before it, its name, and "=" with a value unless no
// "=" follows; a value is empty only right before the ">".
const QString kAttribute = QStringLiteral(
    R"([_/]*+([^_/>][^_/>=]*+)(?:[_]*+=[_]*+("[^"]*+"|'[^']*+'|[^_>"'][^_>]*+|(?=>))|(?![_]*=)))");
const QString kMarkup
    = QStringLiteral(R"(<!--(?:-?>|.*?--!?>|.*))" // a comment
                     R"(|<(?<end>/?)(?<name>[A-Za-z][^_/>]*+)(?<attributes>(?:@)*+)(?<tail>[_/]*+)>)"
                     R"(|</?[A-Za-z].*)" // a tag left open
                     R"(|<[!?/][^>]*+>?)"); // "<!DOCTYPE", "<?xml", "</1" up to the ">"

const auto kAnchored = QRegularExpression::AnchorAtOffsetMatchOption;

QRegularExpression pattern(QString text)
{
    return QRegularExpression(text.replace(u'@', kAttribute).replace(u'_', QStringLiteral(" \\t\\r\\n\\f")),
        QRegularExpression::DotMatchesEverythingOption);
}

// An image tag: where clauses go, the picture it names and whether it gives a size.
struct Tag {
    qsizetype start = 0; // the "<"
    qsizetype end = 0; // the ">"
    qsizetype insertAt = 0;
    QString source;
    bool sized = false;
};

// Clauses go before the ">"; or before the blanks in front of a "/" that closes
// the tag, or of a last "name=" with no value, which would take them for its value.
Tag imageTag(const QString& t, const QRegularExpressionMatch& tag)
{
    static const QRegularExpression attribute = pattern(kAttribute);
    Tag image;
    image.start = tag.capturedStart();
    image.end = image.insertAt = tag.capturedEnd() - 1;
    if (tag.capturedView(u"tail").endsWith(u'/'))
        image.insertAt = image.end - 1;
    bool hasSource = false;
    for (qsizetype i = tag.capturedStart(u"attributes"); i < tag.capturedEnd(u"attributes");) {
        const QRegularExpressionMatch a = attribute.match(t, i, QRegularExpression::NormalMatch, kAnchored);
        i = a.capturedEnd();
        const QStringView name = a.capturedView(1), value = a.capturedView(2);
        const bool quoted = value.startsWith(u'"') || value.startsWith(u'\'');
        if (!hasSource && (hasSource = named(name, u"src")))
            image.source = (quoted ? value.sliced(1).chopped(1) : value).toString();
        image.sized |= named(name, u"width") || named(name, u"height");
        if (a.capturedStart(2) >= 0 && value.isEmpty())
            image.insertAt = a.capturedStart(1);
    }
    while (image.insertAt < image.end && image.insertAt > tag.capturedEnd(u"name")
        && blank(t[image.insertAt - 1]))
        --image.insertAt;
    return image;
}

// Where the text of a script that starts at i ends: at its "</script", or the end
// of the text. After "<!--" a "<script" hides the next "</script", up to "-->".
qsizetype scriptEnd(QStringView t, qsizetype i)
{
    enum { Plain, InComment, InInnerScript } where = Plain;
    for (int dashes = 0; i < t.size(); ++i) {
        if (where != InInnerScript && tagAt(t, i, u"script", true))
            return i;
        if (where == Plain && t.sliced(i).startsWith(u"<!--")) {
            where = InComment, dashes = 2, i += 3;
        } else if (where == InComment && tagAt(t, i, u"script")) {
            where = InInnerScript, dashes = 0, i += 7; // "<script" and what ends the name
        } else if (where == InInnerScript && tagAt(t, i, u"script", true)) {
            where = InComment, dashes = 0, i += 8;
        } else {
            if (where != Plain && t[i] == u'>' && dashes >= 2)
                where = Plain;
            dashes = t[i] == u'-' ? dashes + 1 : 0;
        }
    }
    return i;
}

// The image tags a browser sees, in order: none in comments, in the text of script,
// style, textarea and their like, or in other tags' quoted values.
std::vector<Tag> imageTags(QStringView units)
{
    static const QRegularExpression markup = pattern(kMarkup);
    static constexpr QStringView kRawText[]
        = { u"style", u"xmp", u"iframe", u"noembed", u"noframes", u"textarea", u"title" };
    const QString t = readable(units);
    std::vector<Tag> tags;
    for (qsizetype i = t.indexOf(u'<'); i >= 0; i = t.indexOf(u'<', i)) {
        const QRegularExpressionMatch m = markup.match(t, i, QRegularExpression::NormalMatch, kAnchored);
        i = m.hasMatch() ? m.capturedEnd() : i + 1; // "< " and "<3" are text
        const QStringView name = m.capturedView(u"name");
        if (name.isEmpty() || m.capturedLength(u"end") > 0)
            continue;
        if (named(name, u"img"))
            tags.push_back(imageTag(t, m));
        else if (named(name, u"plaintext"))
            break;
        else if (named(name, u"script"))
            i = scriptEnd(t, i);
        for (const QStringView element : kRawText) {
            while (named(name, element) && i < t.size() && !tagAt(t, i, element, true))
                ++i;
        }
    }
    return tags;
}

// The clauses found at each insertion point of before in after, the only difference
// allowed between them; captures 1 to 4 hold WIDTH, HEIGHT, BORDER and ALT. Each
// run's length counts the blank that keeps it apart from a name or "/" after it.
Problem insertionsOnly(QStringView before, const std::vector<Tag>& tags, QStringView after,
    std::vector<QRegularExpressionMatch>& runs, std::vector<qsizetype>& lengths)
{
    static const QRegularExpression html(QStringLiteral(
        R"re((?: WIDTH=([0-9]+))?(?: HEIGHT=([0-9]+))?(?: BORDER=([0-9]+))?(?: ALT="([^"]*)")?)re"));
    static const QRegularExpression xml(QStringLiteral(
        R"re((?: width="([0-9]+)")?(?: height="([0-9]+)")?(?: border="([0-9]+)")?(?: alt="([^"<>]*)")?)re"));
    const QString subject = readable(after);
    qsizetype b = 0, a = 0;
    const auto same = [&](qsizetype end) {
        const bool kept
            = after.size() - a >= end - b && after.sliced(a, end - b) == before.sliced(b, end - b);
        a += end - b, b = end;
        return kept;
    };
    for (const Tag& tag : tags) {
        if (!same(tag.insertAt))
            return say("the text before the tag at ", tag.start, " changed");
        runs.push_back(html.match(subject, a, QRegularExpression::NormalMatch, kAnchored));
        if (runs.back().capturedLength() == 0)
            runs.back() = xml.match(subject, a, QRegularExpression::NormalMatch, kAnchored);
        const qsizetype length = runs.back().capturedLength();
        const bool apart = length > 0 && !blank(before[b]) && before[b] != u'>';
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
    // A picture's sources get clauses and rows of their own, which the rules below
    // do not follow: such a page is held to a second pass adding nothing.
    if (units.contains(u"<picture", Qt::CaseInsensitive)) {
        tagPage(page, options);
        return slurp(page) == after ? Problem() : "a second pass changed a page with a picture";
    }
    const std::vector<Tag> tags = imageTags(units);
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
        const QString& source = tags[k].source;
        const QString size = source == u"a.gif" ? QStringLiteral("120x60") : QStringLiteral("7x3");
        if ((source == u"a.gif" || source == u"b.png") && !tags[k].sized
            && runs[k].captured(1) + u'x' + runs[k].captured(2) != size)
            return say("tag at ", tags[k].start, ": not given the size of ", source.toStdString());
    }
    if (report.counters().totalOf(Counter::Tagged) != successes)
        return say("Tagged ", report.counters().totalOf(Counter::Tagged), " for ", successes, " successes");
    if (std::all_of(lengths.begin(), lengths.end(), [](qsizetype n) { return n == 0; }))
        return after == bytes ? Problem() : "nothing inserted, yet the page changed";

    const std::vector<Tag> again = imageTags(changed.units());
    for (qsizetype k = 0, shift = 0; k < qsizetype(tags.size()); shift += lengths[k++]) {
        if (again.size() != tags.size() || again[k].start != tags[k].start + shift
            || again[k].end != tags[k].end + shift + lengths[k])
            return say("the clauses moved the tag at ", tags[k].start, ", its end, or the tags after it");
    }
    tagPage(page, options);
    return slurp(page) == after ? Problem() : "a second pass changed the page again";
}

} // namespace quillon::test
