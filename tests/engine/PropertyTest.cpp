// Properties of the tag scanner and the document pass over thousands of made-up
// and damaged documents. Every case comes from a seed; a failing case is shrunk to
// a small document and printed with its seed. To run one case alone:
//   QUILLON_PROPERTY_SEED=<seed> property_tests
#include "engine/DocumentText.h"
#include "engine/StatusTexts.h"
#include "engine/TagScanner.h"
#include "tests/engine/EngineFixture.h" // RefusingFetcher, makePicture, slurp
#include "tests/support/TagOracle.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <algorithm>
#include <map>
#include <optional>
#include <random>

namespace quillon {
namespace {

using Encoding = DocumentText::Encoding;
using test::Inserted;
using test::Problem;
using test::say;
using test::slurp;
using test::visible;

constexpr quint64 kDocumentCases = 10000;
constexpr quint64 kScannerCases = 30000; // after the documents' seeds
const QDateTime kLongAgo = QDateTime::fromSecsSinceEpoch(981173106); // early 2001

// The seeds first..first+count-1, or the one named in QUILLON_PROPERTY_SEED.
std::vector<quint64> seeds(quint64 first, quint64 count)
{
    bool one = false;
    const quint64 only = qEnvironmentVariable("QUILLON_PROPERTY_SEED").toULongLong(&one);
    std::vector<quint64> all;
    for (quint64 s = one ? only : first; all.size() < (one ? 1 : count); ++s)
        all.push_back(s);
    return all;
}

// Plain modulo, so that a seed means the same case with every standard library.
struct Random {
    quint64 seed;
    std::mt19937_64 engine { seed * 0x9E3779B97F4A7C15ULL + 1 };
    int below(qsizetype n) { return n <= 1 ? 0 : int(engine() % quint64(n)); }
    bool percent(int p) { return below(100) < p; }
};

// ---------------------------------------------------------------------------
// Documents, from a grammar: "$x" stands for one of the texts of x, picked at random,
// "$?" for up to 40 random bytes, and "~" puts the letters after it in random case.

const QByteArray& dataUri()
{
    static const QByteArray uri = "data:image/png;base64," + test::makePicture("png", 5, 4).toBase64();
    return uri;
}

const std::map<char, std::vector<QByteArray>>& grammar()
{
    static const std::map<char, std::vector<QByteArray>> rules = {
        { 'G', // a fragment of a valid UTF-8 document
            { "<!-- $T -->", "<script>if (a<img) b = '$T';</script>", "$0", "$b", "<p>Some text.</p>\n",
                "<imgx src=a.gif>", "<image src=b.png>", "< img src=a.gif>", "<\xC4\xB0MG src=a.gif>", "<im",
                "<", ">", "<img", "<IMG", "<img=a.gif>", "</img>", "<!img src=a.gif>", "\"'\"",
                "h\xC3\xA9llo \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 ", "\xEF\xBF\xBE\xEF\xBF\xBF",
                "<!-->$T<!--->", "<!-- $T --!>", "<!DOCTYPE html>", "<?xml version=\"1.0\"?>",
                "<![CDATA[$T]]>", "<~xmp>$T</~xmp>", "<~style>$T</style$b>", "<~textarea>$T</~textarea>",
                "<~title>$T</title>", "<~script>$T</~script$b>",
                "<script><!--<~script>$T</script>$T--></script>", "</script>", "<a title=\"$T\">",
                "<~noscript>$T</noscript>", "<template>$T</template>", "</$T>" } },
        { 'F', // a fragment of any document
            { "$G", "$G", "$G", "$?", "\xC3(", "\x80", "\xFF", "\xED\xA0\x80", "\xC0\xAF", "\xF4\x90\x80\x80",
                "\xE9t\xE9", "\x93quoted\x94", "\xC3" } },
        { 'T', { "<~img$L$E", "<~img$L$b$E" } }, // an image tag, perhaps without an end
        { 'L',
            { "", "$b$s", "$b$s", "$b$a$b$s", "$b$s$L", "$b$a$L", "$b$s$a", "$b$a$a$L" } }, // "$s$a": glued
        { 's', { "~src$=\"$P\"", "~src$='$P'", "~src$=$P", "~src$=\"$P" } },
        { 'a',
            { "$s", "$s", "~width$=$w", "~height$=$w", "~border$=$w", "~alt$=$t", "~width", "~height",
                "~border", "~alt", "~src", "~ismap", "~alt=", "~t=", "~alt =", "=", "\"q\"", "a'b=c",
                "x=\"a\"b", "onclick=\"if(a>b)go()\"", "title='a\"b'", "data-x=\"<img src=b.png>\"",
                "class=c/d", "title=\"$X\"", "lang=\"$0\"" } },
        { 'P',
            { "a.gif", "b.png", "./b.png", "b.png?v=2#top", "b%2Epng", "b&#46;png", " b.png ", "A.GIF", "",
                "missing.png", "nofolder/x.png", "http://pictures.invalid/p.png", "//pictures.invalid/q.gif",
                "data:image/png;base64,@@@", dataUri(), "caf\xC3\xA9.png", "sp ace.png", "a&amp;b.png" } },
        { 'w', { "10", "\"14\"", "'3'", "0", "\"50%\"", "\" 14 \"", "\"\"", "7px", "99999999999999999999" } },
        { 't',
            { "\"x>y\"", "'x>y'", "\"a'b\"", "'a'b'", "\"<img src=a.gif>\"", "caf\xC3\xA9", "\"\"", "\"a" } },
        { 'E', { ">", ">", ">", "/>", " />", "\t/>", " / >", "/ />", "" } },
        { '=', { "=", "=", "=", " =", "= ", " \t=\n" } },
        { 'b', { " ", " ", " ", "  ", "\t", "\r\n", "\n", "\f" } },
        { 'X', { QByteArray(600, 'x'), QByteArray(3000, 'x') } }, { '0', { QByteArray(1, '\0') } },
        { 'M',
            { "<img ", "<IMG/", ">", "\"", "'", "/", "=", " ", "/>", "$?", "<!--", "-->", "<script>",
                "</script>" } }, // a small damage
    };
    return rules;
}

QByteArray expand(Random& r, QByteArrayView pattern)
{
    QByteArray out;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const char symbol = c == '$' ? pattern[++i] : 0;
        if (symbol == '?') {
            for (int n = r.below(40); n > 0; --n)
                out += char(r.below(256));
        } else if (symbol) {
            const std::vector<QByteArray>& texts = grammar().at(symbol);
            out += expand(r, texts[r.below(texts.size())]);
        } else if (c != '~') {
            out += c;
        }
        while (c == '~' && i + 1 < pattern.size() && pattern[i + 1] >= 'a' && pattern[i + 1] <= 'z')
            out += char(pattern[++i] - (r.percent(50) ? 32 : 0));
    }
    return out;
}

QByteArray document(Random& r)
{
    const int kind = r.below(100);
    if (kind < 10)
        return expand(r, r.percent(50) ? "$?$?$?$?$T$?$?$?$?" : "$?$?$?$?$?$?$?$?$?$?");
    QByteArray bytes = r.percent(5) ? "\xEF\xBB\xBF" : "";
    const char* const fragment = r.percent(50) ? "$G" : "$F";
    for (int n = 1 + r.below(25); n > 0; --n)
        bytes += expand(r, r.percent(50) ? "$T" : fragment);
    for (int n = kind < 35 ? 1 + r.below(6) : 0; n > 0; --n) { // pieces removed, repeated or added anywhere
        const int at = r.below(bytes.size() + 1);
        if (r.percent(40))
            bytes.remove(at, 1 + r.below(20));
        else
            bytes.insert(
                at, r.percent(50) ? bytes.mid(r.below(bytes.size() + 1), 1 + r.below(30)) : expand(r, "$M"));
    }
    if (kind < 80)
        return bytes;
    QString text = QString::fromUtf8(bytes);
    if (r.percent(30))
        text.insert(r.below(text.size() + 1), QChar(0xD800)); // a lone surrogate
    QStringEncoder utf16(
        r.percent(50) ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
    return QByteArray(utf16(text)) + (r.percent(10) ? "x" : ""); // perhaps an odd last byte
}

// The custom ALT texts, and the units each must become in a UTF-8 document (in a
// UTF-16 document, as text) and in a Windows-1252 one.
const char* const kAltTexts[][3] = {
    { "Tom & Jerry say \"hi\"", "Tom &amp; Jerry say &quot;hi&quot;", "Tom &amp; Jerry say &quot;hi&quot;" },
    { "Caf\xC3\xA9 \xE2\x80\x93 5 \xE2\x82\xAC \xC3\xBF", "Caf\xC3\xA9 \xE2\x80\x93 5 \xE2\x82\xAC \xC3\xBF",
        "Caf\xE9 \x96 5 \x80 \xFF" },
    { "\xE4\xB8\xAD & \xF0\x9F\x98\x80 \"x\"", "\xE4\xB8\xAD &amp; \xF0\x9F\x98\x80 &quot;x&quot;",
        "&#20013; &amp; &#128512; &quot;x&quot;" },
};

struct Case {
    QByteArray bytes;
    TagOptions options = {};
    int alt = -1; // the custom text in kAltTexts; -1: the image name
};

// Documents that once broke a rule: the cases of the first seeds, with border and ALT on.
const char* const kOnceBroken[] = { "<img src=\"a.gif\" T=>", "<img src=a.gif alt= >",
    "<Img Src=b.png WIDTH=>", "<img src='b.png' border\t=\n>", "<img\nalt=>", "<img src=\"b.png\"T=>",
    "<img SRc=\"b.png\"t=''alt=>", "<img src='a.gif'alt =\t>", "<img src='a.gif'/>",
    "<img title=\"<img src=a.gif>" };

Case makeCase(quint64 seed)
{
    Random r { seed };
    const bool fixed = seed >= 1 && seed <= std::size(kOnceBroken);
    Case c { fixed ? QByteArray(kOnceBroken[seed - 1]) : document(r) };
    c.options.addBorder = fixed || r.percent(50);
    c.options.borderSize = QString::number(r.below(4));
    c.options.generateBackups = r.percent(50);
    c.options.addAlt = fixed || r.percent(67);
    c.alt = r.percent(50) ? r.below(std::size(kAltTexts)) : -1;
    c.options.altText = QString::fromUtf8(kAltTexts[std::max(c.alt, 0)][0]);
    c.options.altTextIndex = c.alt >= 0 ? 1.0 : r.percent(50) ? 0.0 : 2.0;
    return c;
}

// ---------------------------------------------------------------------------
// What a run may do to a document.

// What a tag's clauses and report row must say, as far as the options decide it.
Problem tagProblem(
    const Case& c, const DocumentText& text, const ImgTag& tag, const Inserted& in, const ReportRow& row)
{
    const QStringView u = text.units();
    const auto has = [&](const char16_t* name) { return tag.find(u, QStringView(name)) != nullptr; };
    const TagAttribute* src = tag.find(u, u"src");
    if (src ? (in.length > 0) != (row.status == status::Success)
            : (in.length > 0 || row.status != status::NoSrc))
        return say("the row says «", row.status.toStdString(), "» for ", in.length, " units added");
    if (in.has(3) && (!c.options.addBorder || in.clauses.captured(3) != c.options.borderSize))
        return "BORDER=" + in.clauses.captured(3).toStdString() + " against the options";
    const char* const* custom = kAltTexts[std::max(c.alt, 0)];
    const QString alt = text.encoding() >= Encoding::Utf16LE
        ? QString::fromUtf8(custom[1])
        : QString::fromLatin1(custom[text.encoding() == Encoding::Utf8 ? 1 : 2]);
    if (in.has(4) && (!c.options.addAlt || (c.alt >= 0 && in.clauses.captured(4) != alt)))
        return "ALT=\"" + visible(in.clauses.captured(4)) + "\" against the options";
    // A picture of known size with neither side given gets every clause the options ask for.
    const std::map<QString, QString> known = { { "a.gif", "120x60" }, { "b.png", "7x3" },
        { "./b.png", "7x3" }, { " b.png ", "7x3" }, { dataUri(), "5x4" } };
    const QString source = src ? text.toText(ImgTag::value(u, *src)) : QString();
    const bool full = (in.has(3) || has(u"border") || !c.options.addBorder)
        && (in.has(4) || has(u"alt") || !c.options.addAlt);
    if (known.contains(source) && !has(u"width") && !has(u"height")
        && (!full || in.clauses.captured(1) + "x" + in.clauses.captured(2) != known.at(source)))
        return "the picture «" + source.toStdString() + "» is not tagged in full";
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// A whole document through the engine, twice.

// Writes a file dated long ago.
bool writeDated(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.setFileTime(kLongAgo, QFileDevice::FileModificationTime);
}

// The folder every case runs in, with pictures of known sizes beside the page. The
// engine flushes every file it writes to the disk; in a folder held in memory that
// costs nothing, and thousands of cases run in seconds whatever else the machine does.
struct PageFolder {
    QTemporaryDir dir { (QFileInfo("/dev/shm").isWritable() ? "/dev/shm" : QDir::tempPath())
        + "/quillon-property-XXXXXX" };
    QString page = dir.filePath("page.html");
    bool ready = writeDated(dir.filePath("a.gif"), test::makePicture("png", 120, 60))
        && writeDated(dir.filePath("b.png"), test::makePicture("png", 7, 3));
};

std::pair<QList<ReportRow>, Counters> runEngine(const QString& path, const TagOptions& options)
{
    test::RefusingFetcher fetcher; // remote pictures are not what these cases are about
    TaggingEngine engine([options] { return options; }, fetcher);
    engine.run(QStringList { path });
    return { engine.report().rows(), engine.report().counters() };
}

// The first promise the engine breaks for this case, if any.
Problem documentProblem(const PageFolder& folder, const Case& c)
{
    const QString backup = folder.page + ".bak";
    QFile::remove(backup);
    if (!folder.ready || !writeDated(folder.page, c.bytes))
        return "cannot write the document";
    const DocumentText text = DocumentText::decode(c.bytes);
    const QStringView units = text.units();
    const QByteArray x = "x" + c.bytes; // a letter first, so that a UTF-8 byte order mark counts as text
    const Encoding encoding = c.bytes.startsWith("\xFF\xFE") ? Encoding::Utf16LE
        : c.bytes.startsWith("\xFE\xFF")                     ? Encoding::Utf16BE
        : QString::fromUtf8(x).toUtf8() == x                 ? Encoding::Utf8
                                                             : Encoding::Windows1252;
    if (text.encoding() != encoding || text.encode(units.toString()) != c.bytes)
        return "the document is read in the wrong encoding, or does not encode back to its bytes";
    const std::vector<ImgTag> tags = test::scanImgTags(units);
    if (Problem problem = test::scannerProblem(units, tags))
        return "scanner: " + *problem;

    const auto [rows, counters] = runEngine(folder.page, c.options);
    const QByteArray after = slurp(folder.page);
    // A backup is the document as it was read, and only a document that changed has one.
    if (c.options.generateBackups && after != c.bytes ? slurp(backup) != c.bytes : QFile::exists(backup))
        return "the backup is not the document as it was read, or a document that kept its bytes has one";
    const DocumentText changed = DocumentText::decode(after);
    std::vector<Inserted> inserted;
    if (changed.encoding() != text.encoding())
        return "the rewritten document reads in another encoding";
    if (Problem problem = test::insertionsOnly(units, tags, changed.units(), inserted))
        return problem;
    const auto tagged
        = std::count_if(inserted.begin(), inserted.end(), [](auto& in) { return in.length > 0; });
    const auto noSrc
        = std::count_if(rows.begin(), rows.end(), [](auto& row) { return row.status == status::NoSrc; });
    const int found = counters.totalOf(Counter::Found);
    if (size_t(rows.size()) != tags.size() || found + noSrc != rows.size()
        || counters.totalOf(Counter::Tagged) != tagged || tagged > found)
        return say("report: ", rows.size(), " rows for ", tags.size(), " tags, Found ", found, " and ", noSrc,
            " without SRC, Tagged ", counters.totalOf(Counter::Tagged), " for ", tagged, " tags changed");
    for (size_t k = 0; k < tags.size(); ++k) {
        if (Problem problem = tagProblem(c, text, tags[k], inserted[k], rows[k]))
            return say("tag at ", tags[k].start, ": ", *problem);
    }
    if (tagged == 0 && (after != c.bytes || QFileInfo(folder.page).lastModified() != kLongAgo))
        return "nothing inserted, yet the document was written";

    // The clauses move the tags and change nothing else about them.
    if (test::tagsMoved(tags, inserted, test::scanImgTags(changed.units())))
        return "the first run moved the tags: «" + visible(changed.units(), 200) + "»";
    if (tagged == 0)
        return std::nullopt;

    // Whatever kept a tag short the first time keeps it short the second time.
    writeDated(folder.page, after);
    runEngine(folder.page, c.options);
    const QByteArray second = slurp(folder.page);
    if (second == after && QFileInfo(folder.page).lastModified() == kLongAgo)
        return std::nullopt;
    const auto d
        = std::mismatch(after.begin(), after.end(), second.begin(), second.end()).first - after.begin();
    return say("the second run wrote the document; the first change is at byte ", d, ": «",
        visible(QString::fromLatin1(second.mid(d, 60))), "»");
}

// The case with ever smaller pieces of its document removed while it still fails;
// pieces of two bytes, so that a UTF-16 document stays one.
Case shrunk(const PageFolder& folder, Case c)
{
    for (qsizetype chunk = c.bytes.size() / 4 * 2, tries = 0; chunk > 0; chunk = chunk / 4 * 2) {
        for (qsizetype at = 2; at + chunk <= c.bytes.size() && ++tries < 3000;) {
            Case smaller = c;
            smaller.bytes.remove(at, chunk);
            if (documentProblem(folder, smaller))
                c = smaller;
            else
                at += chunk;
        }
    }
    return c;
}

// ---------------------------------------------------------------------------

TEST(ScannerProperties, TagsRunInOrderFromImgToTheFirstGreaterThanOutsideQuotes)
{
    for (const quint64 seed : seeds(kDocumentCases + 1, kScannerCases)) {
        Random r { seed };
        const DocumentText text = DocumentText::decode(document(r));
        const Problem problem = test::scannerProblem(text.units(), test::scanImgTags(text.units()));
        ASSERT_FALSE(problem) << "seed " << seed << ": " << *problem << "\n  text: «" << visible(text.units())
                              << "»";
    }
}

TEST(DocumentProperties, RewritesOnlyInsertClausesAtTagsAndASecondRunAddsNothing)
{
    const PageFolder folder;
    for (const quint64 seed : seeds(1, kDocumentCases)) {
        const Case c = makeCase(seed);
        const Problem problem = documentProblem(folder, c);
        const Case small = problem ? shrunk(folder, c) : c;
        ASSERT_FALSE(problem) << "seed " << seed << ": " << *problem << "\n  document: «"
                              << visible(QString::fromLatin1(c.bytes)) << "»\n  smallest failing document: «"
                              << visible(QString::fromLatin1(small.bytes))
                              << "»: " << documentProblem(folder, small).value_or("");
    }
}

} // namespace
} // namespace quillon
