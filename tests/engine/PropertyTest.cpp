// Properties of the tag scanner and the document pass over thousands of made-up
// and damaged documents. Every case comes from a seed; a failing case is shrunk to
// a small document and printed with its seed. To run one case alone:
//   QUILLON_PROPERTY_SEED=<seed> property_tests
#include "engine/DocumentText.h"
#include "engine/ImageFetcher.h"
#include "engine/StatusTexts.h"
#include "engine/TagOptions.h"
#include "engine/TagScanner.h"
#include "engine/TaggingEngine.h"
#include "tests/support/Pictures.h"
#include "tests/support/TempDir.h" // slurp

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <string>

namespace quillon {
namespace {

using test::makePicture;
using test::slurp;

constexpr quint64 kScannerCases = 10000;
constexpr quint64 kDocumentCases = 10000;

// Remote pictures are not what these cases are about: every fetch fails.
class FailingFetcher : public ImageFetcher {
public:
    Status fetch(const QString& address, const QString& targetPath) override
    {
        Q_UNUSED(address)
        Q_UNUSED(targetPath)
        return Failure(ErrorCode::ConnectFailed);
    }
};

// The seeds to run: all of them, or the one named in QUILLON_PROPERTY_SEED.
std::vector<quint64> seeds(quint64 first, quint64 count)
{
    bool ok = false;
    const quint64 only = qEnvironmentVariable("QUILLON_PROPERTY_SEED").toULongLong(&ok);
    if (ok)
        return { only };
    std::vector<quint64> all;
    for (quint64 s = first; s < first + count; ++s)
        all.push_back(s);
    return all;
}

// A deterministic source of choices; plain modulo, so that a seed means the same
// case with every standard library.
class Random {
public:
    explicit Random(quint64 seed)
        : m_engine(seed * 0x9E3779B97F4A7C15ULL + 1)
    {
    }
    int below(int n) { return n <= 1 ? 0 : static_cast<int>(m_engine() % static_cast<quint64>(n)); }
    bool percent(int p) { return below(100) < p; }
    template <typename T, size_t N> const T& pick(const T (&items)[N])
    {
        return items[below(static_cast<int>(N))];
    }

private:
    std::mt19937_64 m_engine;
};

// Bytes and text shown in a failure message: printable ASCII as is, the rest escaped.
std::string visible(QStringView units, qsizetype limit = 400)
{
    std::string out;
    for (qsizetype i = 0; i < units.size() && i < limit; ++i) {
        const char16_t u = units[i].unicode();
        if (u >= 0x20 && u < 0x7F && u != u'\\') {
            out += static_cast<char>(u);
        } else {
            char buffer[12];
            std::snprintf(buffer, sizeof buffer, u < 0x100 ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(u));
            out += buffer;
        }
    }
    if (units.size() > limit)
        out += "...";
    return out;
}

std::string visible(const QByteArray& bytes, qsizetype limit = 400)
{
    return visible(QString::fromLatin1(bytes), limit);
}

// ---------------------------------------------------------------------------
// An independent model of where image tags stand, written from what the scanner
// promises (the attribute rules of HTML's tokenizer), as a loop over tokens
// rather than a state machine, so that the two can be held against each other.

struct ModelAttribute {
    qsizetype nameStart = 0;
    qsizetype nameEnd = 0;
    qsizetype valueStart = -1;
    qsizetype valueEnd = -1;
};

struct ModelTag {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype insertAt = 0;
    std::vector<ModelAttribute> attributes;
};

bool blank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

bool opensImageTag(QStringView t, qsizetype i)
{
    if (i + 4 >= t.size() || t[i] != u'<')
        return false;
    const auto letter = [&](qsizetype at, char16_t lower) { return (t[at].unicode() | 0x20) == lower; };
    if (!letter(i + 1, u'i') || !letter(i + 2, u'm') || !letter(i + 3, u'g'))
        return false; // HTML compares tag names in ASCII letter case only
    const QChar after = t[i + 4];
    return blank(after) || after == u'/' || after == u'>';
}

std::optional<ModelTag> modelTagAt(QStringView t, qsizetype start)
{
    const qsizetype n = t.size();
    ModelTag tag;
    tag.start = start;
    qsizetype i = start + 4;
    qsizetype slash = -1; // the last "/" that stood where an attribute could start
    for (;;) {
        while (i < n && blank(t[i]))
            ++i;
        if (i >= n)
            return std::nullopt;
        if (t[i] == u'>') {
            // New attributes go before the blanks that precede the "/" of "/>", or
            // before those that precede a last attribute with "=" and no value, which
            // would take whatever followed its "=" for its value.
            tag.end = i;
            tag.insertAt = i;
            const bool emptyLast = !tag.attributes.empty() && tag.attributes.back().valueStart == i
                && tag.attributes.back().valueEnd == i;
            if (emptyLast || slash == i - 1) {
                tag.insertAt = emptyLast ? tag.attributes.back().nameStart : slash;
                while (tag.insertAt > start + 4 && blank(t[tag.insertAt - 1]))
                    --tag.insertAt;
            }
            return tag;
        }
        if (t[i] == u'/') {
            slash = i++;
            continue;
        }
        ModelAttribute a;
        a.nameStart = i++; // any character starts a name, "=" and quotes too
        while (i < n && !blank(t[i]) && t[i] != u'/' && t[i] != u'>' && t[i] != u'=')
            ++i;
        a.nameEnd = i;
        qsizetype j = i;
        while (j < n && blank(t[j]))
            ++j;
        if (j < n && t[j] == u'=') {
            i = j + 1;
            while (i < n && blank(t[i]))
                ++i;
            if (i >= n)
                return std::nullopt;
            a.valueStart = i;
            if (t[i] == u'"' || t[i] == u'\'') {
                const qsizetype close = t.indexOf(t[i], i + 1);
                if (close < 0)
                    return std::nullopt;
                i = close + 1;
            } else {
                while (i < n && !blank(t[i]) && t[i] != u'>')
                    ++i; // "/" and quotes belong to an unquoted value
            }
            a.valueEnd = i;
        }
        tag.attributes.push_back(a);
    }
}

std::vector<ModelTag> modelTags(QStringView t)
{
    std::vector<ModelTag> tags;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (!opensImageTag(t, i))
            continue;
        if (std::optional<ModelTag> tag = modelTagAt(t, i)) {
            i = tag->end;
            tags.push_back(std::move(*tag));
        }
    }
    return tags;
}

// True when an "<img" outside every complete tag has no end of its own.
bool hasUnterminatedTag(QStringView t)
{
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (!opensImageTag(t, i))
            continue;
        const std::optional<ModelTag> tag = modelTagAt(t, i);
        if (!tag)
            return true;
        i = tag->end;
    }
    return false;
}

std::vector<ImgTag> scannedTags(QStringView units)
{
    std::vector<ImgTag> tags;
    TagScanner scanner(units);
    while (std::optional<ImgTag> tag = scanner.next())
        tags.push_back(std::move(*tag));
    return tags;
}

// What the scanner promises about every text: tags in order without overlap, each
// from an "<img" start to a ">", attributes inside it, and the same tags as the model.
std::optional<std::string> scannerProblem(QStringView t)
{
    const std::vector<ImgTag> tags = scannedTags(t);
    qsizetype previousEnd = -1;
    for (size_t k = 0; k < tags.size(); ++k) {
        const ImgTag& tag = tags[k];
        const std::string which = "tag " + std::to_string(k) + " at " + std::to_string(tag.start) + ": ";
        if (tag.start <= previousEnd)
            return which + "starts before the previous tag ends";
        if (!opensImageTag(t, tag.start))
            return which + "does not start with <img and a blank, / or >";
        if (tag.end >= t.size() || t[tag.end] != u'>')
            return which + "does not end at a >";
        if (tag.insertAt < tag.start + 4 || tag.insertAt > tag.end)
            return which + "insertion point outside the tag";
        // Between the insertion point and the ">" stand only blanks and either the
        // "/" of "/>" or a last attribute with "=" and no value.
        const bool emptyLast = !tag.attributes.isEmpty() && tag.attributes.back().hasValue()
            && tag.attributes.back().valueStart == tag.end;
        const qsizetype blanksEnd = emptyLast ? tag.attributes.back().nameStart : tag.end - 1;
        const bool onlyBlanks = blanksEnd >= tag.insertAt
            && std::all_of(t.begin() + tag.insertAt, t.begin() + blanksEnd, [](QChar c) { return blank(c); });
        if (tag.insertAt != tag.end && !(onlyBlanks && (emptyLast || t[tag.end - 1] == u'/')))
            return which + "insertion point before «"
                + visible(t.sliced(tag.insertAt, tag.end - tag.insertAt)) + "»";
        qsizetype previous = tag.start + 4;
        for (const TagAttribute& a : tag.attributes) {
            const bool ordered = a.nameStart >= previous && a.nameEnd > a.nameStart
                && (!a.hasValue() || (a.valueStart >= a.nameEnd && a.valueEnd >= a.valueStart));
            const qsizetype last = a.hasValue() ? a.valueEnd : a.nameEnd;
            const bool beforeInsertion = (emptyLast && &a == &tag.attributes.back()) || last <= tag.insertAt;
            if (!ordered || last > tag.end || !beforeInsertion)
                return which + "attribute offsets out of order or outside the tag";
            previous = last;
        }
        previousEnd = tag.end;
    }

    const std::vector<ModelTag> model = modelTags(t);
    if (model.size() != tags.size())
        return "found " + std::to_string(tags.size()) + " tags, the model " + std::to_string(model.size());
    for (size_t k = 0; k < tags.size(); ++k) {
        const ImgTag& got = tags[k];
        const ModelTag& want = model[k];
        const std::string which = "tag " + std::to_string(k) + ": ";
        if (got.start != want.start || got.end != want.end)
            return which + "spans " + std::to_string(got.start) + ".." + std::to_string(got.end)
                + ", the model " + std::to_string(want.start) + ".." + std::to_string(want.end);
        if (got.insertAt != want.insertAt)
            return which + "inserts at " + std::to_string(got.insertAt) + ", the model at "
                + std::to_string(want.insertAt);
        if (static_cast<size_t>(got.attributes.size()) != want.attributes.size())
            return which + std::to_string(got.attributes.size()) + " attributes, the model "
                + std::to_string(want.attributes.size());
        for (size_t a = 0; a < want.attributes.size(); ++a) {
            const TagAttribute& g = got.attributes[static_cast<qsizetype>(a)];
            const ModelAttribute& w = want.attributes[a];
            if (g.nameStart != w.nameStart || g.nameEnd != w.nameEnd || g.valueStart != w.valueStart
                || g.valueEnd != w.valueEnd)
                return which + "attribute " + std::to_string(a) + " differs from the model";
        }
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Documents.

const char* const kBlanks[] = { " ", "\t", "\r", "\n", "\f" };

QByteArray blanks(Random& r, int least)
{
    QByteArray out;
    const int count = least + r.below(3);
    for (int i = 0; i < count; ++i)
        out += r.percent(70) ? " " : r.pick(kBlanks);
    return out;
}

// name in one of its letter cases.
QByteArray anyCase(Random& r, QByteArray name)
{
    switch (r.below(4)) {
    case 0:
        return name.toLower();
    case 1:
        return name.toUpper();
    default:
        for (char& c : name) {
            if (r.percent(50))
                c = static_cast<char>(QChar::toUpper(static_cast<char16_t>(static_cast<uchar>(c))));
        }
        return name;
    }
}

QByteArray equalsSign(Random& r)
{
    if (r.percent(70))
        return "=";
    return blanks(r, 0) + "=" + blanks(r, 0);
}

// value written with double quotes, single quotes, none, or an opening quote only.
QByteArray written(Random& r, const QByteArray& value)
{
    const int style = r.below(100);
    if (style < 3)
        return "\"" + value; // never closed: the tag runs on to some later quote
    if (style < 45 || value.contains('\''))
        return "\"" + value + "\"";
    if (style < 70 || value.contains('"'))
        return "'" + value + "'";
    return value;
}

const char* const kSources[] = {
    "a.gif",
    "b.png",
    "./b.png",
    "b.png?v=2#top",
    "b%2Epng",
    "b&#46;png",
    " b.png ",
    "A.GIF",
    "missing.png",
    "nofolder/x.png",
    "nofolder/deeper/y.gif",
    "",
    "http://pictures.invalid/p.png",
    "//pictures.invalid/q.gif",
    "data:image/png;base64,@@@",
    "caf\xC3\xA9.png",
    "sp ace.png",
    "a&amp;b.png",
};

QByteArray dataUri()
{
    static const QByteArray uri
        = "data:image/png;base64," + makePicture(QStringLiteral("png"), 5, 4).toBase64();
    return uri;
}

QByteArray sourceAttribute(Random& r)
{
    const QByteArray source = r.percent(6) ? dataUri() : QByteArray(r.pick(kSources));
    return anyCase(r, "src") + equalsSign(r) + written(r, source);
}

QByteArray attribute(Random& r)
{
    switch (r.below(14)) {
    case 0:
    case 1:
    case 2:
    case 3:
        return sourceAttribute(r); // a second SRC, or the only one
    case 4:
    case 5: {
        const char* const sizes[]
            = { "10", "14", "3", "0", "50%", " 14 ", "", "7px", "99999999999999999999", "1e3" };
        return anyCase(r, r.percent(50) ? "width" : "height") + equalsSign(r) + written(r, r.pick(sizes));
    }
    case 6: {
        const char* const values[] = { "0", "2", "" };
        return anyCase(r, "border") + equalsSign(r) + written(r, r.pick(values));
    }
    case 7: {
        const char* const alts[] = { "x>y", "a'b", "<img src=a.gif>", "caf\xC3\xA9", "", "Tom &amp; Jerry" };
        const QByteArray alt = r.pick(alts);
        return anyCase(r, "alt") + equalsSign(r) + written(r, alt);
    }
    case 8: {
        const char* const bare[] = { "width", "height", "border", "alt", "src", "ismap" };
        return anyCase(r, r.pick(bare));
    }
    case 9: {
        const char* const odd[] = { "=", "\"q\"", "a'b=c", "x=\"a\"b", "onclick=\"if(a>b)go()\"",
            "title='a\"b'", "data-x=\"<img src=b.png>\"", "alt=\"a'b\"", "alt='x>y'", "class=c/d" };
        return r.pick(odd);
    }
    case 10:
        return "title=" + written(r, QByteArray(500 + r.below(3000), 'x'));
    case 11:
        return anyCase(r, "width") + "=" + QByteArray(20 + r.below(200), '9');
    case 12:
        return QByteArray("lang=\"\0\"", 8);
    default:
        return "class=" + written(r, "c" + QByteArray::number(r.below(100)));
    }
}

QByteArray imageTag(Random& r)
{
    const char* const heads[] = { "<img", "<IMG", "<Img", "<iMg", "<imG" };
    QByteArray tag = r.pick(heads);
    QList<QByteArray> attributes;
    for (int i = 0, n = r.below(5); i < n; ++i)
        attributes.append(attribute(r));
    if (r.percent(80))
        attributes.insert(r.below(static_cast<int>(attributes.size()) + 1), sourceAttribute(r));
    for (const QByteArray& a : attributes) {
        const bool glued = (tag.endsWith('"') || tag.endsWith('\'')) && r.percent(15);
        tag += (glued ? QByteArray() : blanks(r, 1)) + a;
    }
    const int ending = r.below(100);
    if (ending < 55)
        tag += blanks(r, 0) + ">";
    else if (ending < 70)
        tag += "/>";
    else if (ending < 85)
        tag += blanks(r, 1) + "/>";
    else if (ending < 90)
        tag += " / >";
    else if (ending < 93)
        tag += blanks(r, 0) + "/" + blanks(r, 1) + "/>";
    // otherwise the tag has no end here
    return tag;
}

QByteArray otherFragment(Random& r)
{
    switch (r.below(16)) {
    case 0:
        return "<p>Some text, with words in it.</p>\n";
    case 1:
        return blanks(r, 1);
    case 2: {
        const char* const lookalikes[] = { "<imgx src=a.gif>", "<image src=b.png>", "< img src=a.gif>", "<im",
            "<", ">", "<img", "<IMG", "<img=a.gif>", "</img>", "<!img src=a.gif>" };
        return r.pick(lookalikes);
    }
    case 3:
        return "<!-- " + imageTag(r) + " -->";
    case 4:
        return "<script>if (a<img) b = '" + imageTag(r) + "';</script>";
    case 5:
        return QByteArray("\0\0", 1 + r.below(2));
    case 6:
        return "h\xC3\xA9llo \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 ";
    case 7: {
        const char* const invalid[] = { "\xC3(", "\x80", "\xFF", "\xED\xA0\x80", "\xC0\xAF",
            "\xF4\x90\x80\x80", "\xE9t\xE9", "\x93quoted\x94", "\xC3" };
        return r.pick(invalid);
    }
    case 8: {
        QByteArray noise;
        for (int i = 0, n = r.below(40); i < n; ++i)
            noise += static_cast<char>(r.below(256));
        return noise;
    }
    case 9:
        return "\xEF\xBF\xBE\xEF\xBF\xBF";
    case 10:
        return "\"'\"";
    default:
        return imageTag(r);
    }
}

// A few bytes changed, added, removed or repeated anywhere.
void mutate(Random& r, QByteArray& bytes)
{
    const char* const tokens[] = { "<img ", "<IMG/", ">", "\"", "'", "/", "=", " ", "\0", "/>", "<img>" };
    for (int i = 0, n = 1 + r.below(6); i < n; ++i) {
        const int at = r.below(static_cast<int>(bytes.size()) + 1);
        switch (r.below(4)) {
        case 0:
            if (at < bytes.size())
                bytes[at] = static_cast<char>(r.below(256));
            break;
        case 1: {
            const char* token = r.pick(tokens);
            bytes.insert(at, QByteArray(token, std::max<qsizetype>(1, qstrlen(token))));
            break;
        }
        case 2:
            bytes.remove(at, 1 + r.below(20));
            break;
        default: {
            const QByteArray piece = bytes.mid(r.below(static_cast<int>(bytes.size()) + 1), 1 + r.below(30));
            bytes.insert(at, piece);
            break;
        }
        }
    }
}

QByteArray utf16(const QString& text, bool littleEndian)
{
    QByteArray bytes = littleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        bytes += littleEndian ? lo : hi;
        bytes += littleEndian ? hi : lo;
    }
    return bytes;
}

enum class Kind { RandomBytes, Fragments, Mutated, Utf16 };

QByteArray document(Random& r, Kind kind)
{
    QByteArray bytes;
    if (kind == Kind::RandomBytes) {
        for (int i = 0, n = r.below(400); i < n; ++i)
            bytes += static_cast<char>(r.below(256));
        if (r.percent(50))
            bytes.insert(r.below(static_cast<int>(bytes.size()) + 1), imageTag(r));
        return bytes;
    }
    const bool valid = r.percent(50); // half the documents stay valid UTF-8, barring a mutation
    if (r.percent(5))
        bytes += "\xEF\xBB\xBF";
    for (int i = 0, n = 1 + r.below(25); i < n; ++i) {
        QByteArray piece = otherFragment(r);
        if (valid && !QString::fromUtf8(piece).toUtf8().startsWith(piece))
            piece = imageTag(r);
        bytes += piece;
    }
    if (kind == Kind::Mutated)
        mutate(r, bytes);
    if (kind == Kind::Utf16) {
        QString text = QString::fromUtf8(bytes);
        if (r.percent(30))
            text.insert(r.below(static_cast<int>(text.size()) + 1), QChar(0xD800)); // a lone surrogate
        if (r.percent(30))
            text.insert(r.below(static_cast<int>(text.size()) + 1), QStringLiteral("\u0130MG \u4E2D"));
        bytes = utf16(text, r.percent(50));
        if (r.percent(10))
            bytes += 'x'; // an odd last byte
    }
    return bytes;
}

// ---------------------------------------------------------------------------
// What the inserted clauses must say.

struct AltChoice {
    const char* text; // the custom ALT text, UTF-8
    const char* utf8; // what goes into a UTF-8 document
    const char* cp1252; // what goes into any other 8-bit document
};

const AltChoice kAltTexts[] = {
    { "Tom & Jerry say \"hi\"", "Tom &amp; Jerry say &quot;hi&quot;", "Tom &amp; Jerry say &quot;hi&quot;" },
    { "Caf\xC3\xA9 \xE2\x80\x93 5 \xE2\x82\xAC \xC3\xBF", "Caf\xC3\xA9 \xE2\x80\x93 5 \xE2\x82\xAC \xC3\xBF",
        "Caf\xE9 \x96 5 \x80 \xFF" },
    { "\xE4\xB8\xAD & \xF0\x9F\x98\x80 \"x\"", "\xE4\xB8\xAD &amp; \xF0\x9F\x98\x80 &quot;x&quot;",
        "&#20013; &amp; &#128512; &quot;x&quot;" },
};

enum class AltMode { Off, Custom, ImageName };

struct Case {
    quint64 seed = 0;
    QByteArray bytes;
    TagOptions options;
    AltMode alt = AltMode::Off;
    int altChoice = 0;
};

Case makeCase(quint64 seed)
{
    Random r(seed);
    Case c;
    c.seed = seed;
    const int k = r.below(100);
    const Kind kind = k < 10 ? Kind::RandomBytes
        : k < 60             ? Kind::Fragments
        : k < 82             ? Kind::Mutated
                             : Kind::Utf16;
    c.bytes = document(r, kind);
    c.options.online = false;
    c.options.addBorder = r.percent(50);
    const char* const borders[] = { "10", "0", "3" };
    c.options.borderSize = QString::fromLatin1(r.pick(borders));
    c.options.generateBackups = r.percent(50);
    c.alt = static_cast<AltMode>(r.below(3));
    c.options.addAlt = c.alt != AltMode::Off;
    c.altChoice = r.below(static_cast<int>(std::size(kAltTexts)));
    c.options.altText = QString::fromUtf8(kAltTexts[c.altChoice].text);
    c.options.altTextIndex = c.alt == AltMode::Custom ? 1.0 : (r.percent(50) ? 0.0 : 2.0);
    return c;
}

// The encoding a document's bytes call for, judged here without the engine.
DocumentText::Encoding expectedEncoding(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return DocumentText::Encoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return DocumentText::Encoding::Utf16BE;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar b = p[i];
        int more = 0;
        char32_t least = 0;
        char32_t c = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            more = 1, least = 0x80, c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2, least = 0x800, c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3, least = 0x10000, c = b & 0x07;
        } else {
            return DocumentText::Encoding::Windows1252;
        }
        for (int m = 1; m <= more; ++m) {
            if (i + m >= n || (p[i + m] & 0xC0) != 0x80)
                return DocumentText::Encoding::Windows1252;
            c = (c << 6) | (p[i + m] & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return DocumentText::Encoding::Windows1252;
        i += more + 1;
    }
    return DocumentText::Encoding::Utf8;
}

bool isUtf16(DocumentText::Encoding e)
{
    return e == DocumentText::Encoding::Utf16LE || e == DocumentText::Encoding::Utf16BE;
}

QString escaped(QStringView text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'&')
            out += QStringLiteral("&amp;");
        else if (c == u'"')
            out += QStringLiteral("&quot;");
        else
            out += c;
    }
    return out;
}

// The clauses found at one insertion point.
struct Inserted {
    std::optional<QString> width, height, border, alt;
    qsizetype length = 0;
    bool any() const { return length > 0; }
};

// Reads " WIDTH=n", " HEIGHT=n", " BORDER=n" and " ALT="..."" in that order, each
// at most once, from at; stops at the first text that is none of them. The text
// that follows an insertion point (">", "/" or blanks before a "/") can never be
// read as a clause, so what is read here is exactly what was inserted.
Inserted readInserted(QStringView u, qsizetype at)
{
    Inserted found;
    qsizetype i = at;
    auto number = [&](QStringView key, std::optional<QString>& into) {
        if (!u.sliced(i).startsWith(key))
            return;
        qsizetype d = i + key.size();
        while (d < u.size() && u[d] >= u'0' && u[d] <= u'9')
            ++d;
        if (d == i + key.size())
            return;
        into = u.sliced(i + key.size(), d - i - key.size()).toString();
        i = d;
    };
    number(u" WIDTH=", found.width);
    number(u" HEIGHT=", found.height);
    number(u" BORDER=", found.border);
    if (u.sliced(i).startsWith(u" ALT=\"")) {
        const qsizetype close = u.indexOf(u'"', i + 6);
        if (close >= 0) {
            found.alt = u.sliced(i + 6, close - i - 6).toString();
            i = close + 1;
        }
    }
    found.length = i - at;
    return found;
}

// Walks the text before and after a run: every difference must be clauses at a
// tag's insertion point. Fills what was inserted for each tag, or says what differs.
std::optional<std::string> insertionsOnly(
    QStringView before, const std::vector<ImgTag>& tags, QStringView after, std::vector<Inserted>& inserted)
{
    inserted.clear();
    qsizetype b = 0;
    qsizetype a = 0;
    auto sameUpTo = [&](qsizetype end) -> std::optional<std::string> {
        const QStringView want = before.sliced(b, end - b);
        if (after.size() - a < want.size() || after.sliced(a, want.size()) != want) {
            qsizetype d = 0;
            while (d < want.size() && a + d < after.size() && after[a + d] == want[d])
                ++d;
            return "text changed outside an insertion point at unit " + std::to_string(b + d) + ": was «"
                + visible(before.sliced(b + d).first(std::min<qsizetype>(40, want.size() - d))) + "», now «"
                + visible(after.sliced(std::min(a + d, after.size())), 40) + "»";
        }
        a += want.size();
        b = end;
        return std::nullopt;
    };
    for (const ImgTag& tag : tags) {
        if (auto problem = sameUpTo(tag.insertAt))
            return problem;
        Inserted clauses = readInserted(after, a);
        // Clauses put right before an attribute's name, or right before the "/" of
        // "/>", are kept apart from it by a blank.
        const QChar next = tag.insertAt < before.size() ? before[tag.insertAt] : QChar(u'>');
        const bool beforeName = !blank(next) && next != u'>';
        if (clauses.any() && beforeName && a + clauses.length < after.size()
            && after[a + clauses.length] == u' ')
            ++clauses.length;
        inserted.push_back(clauses);
        a += clauses.length;
    }
    if (auto problem = sameUpTo(before.size()))
        return problem;
    if (a != after.size())
        return "text added at the end: «" + visible(after.sliced(a), 40) + "»";
    return std::nullopt;
}

struct KnownPicture {
    const char* source;
    int width;
    int height;
};

// The pictures beside every document, by the SRC values that name them.
const KnownPicture kKnown[] = {
    { "a.gif", 120, 60 },
    { "b.png", 7, 3 },
    { "./b.png", 7, 3 },
    { "b.png?v=2#top", 7, 3 },
    { "b%2Epng", 7, 3 },
    { " b.png ", 7, 3 },
};

bool isMissingPicture(const QString& source)
{
    return source == u"missing.png" || source == u"A.GIF" || source.startsWith(u"nofolder/");
}

std::optional<KnownPicture> knownPicture(const QString& source)
{
    for (const KnownPicture& known : kKnown) {
        if (source == QLatin1String(known.source))
            return known;
    }
    if (source.toLatin1() == dataUri())
        return KnownPicture { "", 5, 4 };
    return std::nullopt;
}

// A whole number of pixels as written plainly (what the engine scales the other side by).
std::optional<qint64> plainNumber(const QString& value)
{
    if (value.isEmpty() || value.size() > 4)
        return std::nullopt;
    for (const QChar c : value) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return value.toLongLong();
}

qint64 scaled(qint64 given, qint64 pictureGiven, qint64 pictureOther)
{
    return (2 * given * pictureOther + pictureGiven) / (2 * pictureGiven); // rounded half up
}

const QDateTime kLongAgo = QDateTime::fromSecsSinceEpoch(981173106); // early 2001

void setModified(const QString& path, const QDateTime& time)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.setFileTime(time, QFileDevice::FileModificationTime))
        ADD_FAILURE() << "cannot set the time of " << qPrintable(path);
}

QDateTime modified(const QString& path)
{
    return QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
}

// The folder every document case runs in, with pictures of known sizes beside the page.
class PageFolder {
public:
    PageFolder()
    {
        write(QStringLiteral("a.gif"), makePicture(QStringLiteral("png"), 120, 60));
        write(QStringLiteral("b.png"), makePicture(QStringLiteral("png"), 7, 3));
    }
    QString page() const { return m_dir.filePath(QStringLiteral("page.html")); }

private:
    // The engine flushes every file it writes to the disk; in a folder held in memory
    // that costs nothing, and thousands of cases run in seconds whatever else the
    // machine is doing.
    static QString folderTemplate()
    {
        const QFileInfo memory(QStringLiteral("/dev/shm"));
        const QString base = memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
        return base + QStringLiteral("/quillon-property-XXXXXX");
    }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            ADD_FAILURE() << "cannot write " << qPrintable(file.fileName());
    }

    QTemporaryDir m_dir { folderTemplate() };
};

// What the cases exercised, so that a generator that stops making interesting
// documents shows in the output.
struct Coverage {
    int documents = 0;
    int rewritten = 0;
    int tags = 0;
    int taggedTags = 0;
    int selfClosing = 0;
    int altClauses = 0;
    int errorRows = 0;
    std::array<int, 4> encodings {};
    // Inserted quotes gave an "<img" without end its end, so the second run rightly found other tags.
    int restructured = 0;
};
Coverage coverage;

class DocumentCheck {
public:
    DocumentCheck(const PageFolder& folder, const Case& c)
        : m_path(folder.page())
        , m_case(c)
    {
    }

    // The first promise the engine breaks for this case, if any.
    std::optional<std::string> problem()
    {
        const QByteArray& original = m_case.bytes;
        QFile::remove(m_path + QStringLiteral(".bak"));
        {
            QFile file(m_path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                || file.write(original) != original.size())
                return "cannot write the document";
        }
        setModified(m_path, kLongAgo);

        const DocumentText text = DocumentText::decode(original);
        if (text.encoding() != expectedEncoding(original))
            return "read in the wrong encoding";
        if (text.encode(text.units().toString()) != original)
            return "decoding and encoding again does not give back the bytes";
        const QStringView units = text.units();
        if (auto problem = scannerProblem(units))
            return "scanner: " + *problem;
        const std::vector<ImgTag> tags = scannedTags(units);

        const RunOutcome first = runEngine();
        const QByteArray after = slurp(m_path);

        if (static_cast<size_t>(first.rows.size()) != tags.size())
            return std::to_string(first.rows.size()) + " report rows for " + std::to_string(tags.size())
                + " tags";
        if (m_case.options.generateBackups) {
            if (slurp(m_path + QStringLiteral(".bak")) != original)
                return "the backup differs from the document as read";
        } else if (QFileInfo::exists(m_path + QStringLiteral(".bak"))) {
            return "a backup was written with backups off";
        }

        const DocumentText changed = DocumentText::decode(after);
        if (after != original && changed.encoding() != text.encoding())
            return "the rewritten document reads in another encoding";
        std::vector<Inserted> inserted;
        if (auto problem = insertionsOnly(units, tags, changed.units(), inserted))
            return *problem;

        int taggedTags = 0;
        for (size_t k = 0; k < tags.size(); ++k) {
            if (auto problem = tagProblem(text, tags[k], inserted[k], first.rows[static_cast<qsizetype>(k)]))
                return "tag " + std::to_string(k) + " at unit " + std::to_string(tags[k].start) + ": "
                    + *problem;
            taggedTags += inserted[k].any() ? 1 : 0;
        }
        if (auto problem = counterProblem(first, taggedTags))
            return problem;

        ++coverage.documents;
        coverage.rewritten += taggedTags > 0 ? 1 : 0;
        coverage.tags += static_cast<int>(tags.size());
        coverage.taggedTags += taggedTags;
        coverage.encodings[static_cast<int>(text.encoding())]++;
        coverage.errorRows += first.counters.totalOf(Counter::Errors);
        for (size_t k = 0; k < tags.size(); ++k) {
            coverage.selfClosing += tags[k].insertAt < tags[k].end && inserted[k].any() ? 1 : 0;
            coverage.altClauses += inserted[k].alt ? 1 : 0;
        }

        if (taggedTags == 0) {
            if (after != original)
                return "nothing inserted, yet the bytes changed";
            if (modified(m_path) != kLongAgo)
                return "nothing inserted, yet the document was written";
        }

        return secondRunProblem(text, after, tags, inserted, changed);
    }

private:
    // After the first run the tags stand where they stood and every clause reads back
    // as an attribute of its own. Whatever kept a tag short the first time (no SRC, a
    // missing picture, a size in other units) keeps it short the second time, so the
    // second run has nothing to add and leaves the file alone.
    std::optional<std::string> secondRunProblem(const DocumentText& text, const QByteArray& after,
        const std::vector<ImgTag>& tags, const std::vector<Inserted>& inserted, const DocumentText& changed)
    {
        const QStringView units = changed.units();
        const std::vector<ImgTag> afterTags = scannedTags(units);
        const std::optional<std::string> moved = tagsMoved(tags, inserted, afterTags);
        if (moved) {
            // Clauses went into a tag inside the quoted value of an "<img" that has no
            // end; the quotes of ALT="..." may give that one its end, and then the
            // second run tags it. Only such a document may change its tags.
            if (!hasUnterminatedTag(text.units()))
                return "tags changed by the first run: " + *moved;
            ++coverage.restructured;
            return std::nullopt;
        }
        for (size_t k = 0; k < tags.size(); ++k) {
            if (!inserted[k].any())
                continue;
            if (auto problem = clausesReadBack(units, afterTags[k], inserted[k]))
                return "tag " + std::to_string(k) + " «"
                    + visible(
                        units.sliced(afterTags[k].start, afterTags[k].end - afterTags[k].start + 1), 160)
                    + "»: " + *problem;
        }

        setModified(m_path, kLongAgo);
        runEngine();
        const QByteArray again = slurp(m_path);
        if (again == after && modified(m_path) == kLongAgo)
            return std::nullopt;
        const DocumentText secondText = DocumentText::decode(again);
        std::vector<Inserted> more;
        if (auto problem = insertionsOnly(units, afterTags, secondText.units(), more))
            return "second run: " + *problem;
        for (size_t k = 0; k < more.size(); ++k) {
            if (!more[k].any())
                continue;
            return "second run added «"
                + visible(secondText.units().sliced(afterTags[k].insertAt, more[k].length)) + "» to tag "
                + std::to_string(k) + " «"
                + visible(units.sliced(afterTags[k].start, afterTags[k].end - afterTags[k].start + 1), 160)
                + "»";
        }
        return "second run wrote the document without adding anything";
    }

    // Where the tags of the rewritten text differ from the first run's tags moved by
    // the clauses inserted before them; nothing when they are the same.
    static std::optional<std::string> tagsMoved(const std::vector<ImgTag>& tags,
        const std::vector<Inserted>& inserted, const std::vector<ImgTag>& afterTags)
    {
        if (afterTags.size() != tags.size())
            return std::to_string(tags.size()) + " tags became " + std::to_string(afterTags.size());
        qsizetype shift = 0;
        for (size_t k = 0; k < tags.size(); ++k) {
            const qsizetype start = tags[k].start + shift;
            shift += inserted[k].length;
            if (afterTags[k].start != start || afterTags[k].end != tags[k].end + shift)
                return "tag " + std::to_string(k) + " moved";
        }
        return std::nullopt;
    }

    // Each inserted clause is an attribute of the rewritten tag with the inserted value.
    // The last one may take the "/" of a "/>" that followed without a blank, as an
    // unquoted value does in HTML.
    static std::optional<std::string> clausesReadBack(
        QStringView units, const ImgTag& tag, const Inserted& inserted)
    {
        const std::pair<const char16_t*, const std::optional<QString>*> clauses[]
            = { { u"WIDTH", &inserted.width }, { u"HEIGHT", &inserted.height },
                  { u"BORDER", &inserted.border }, { u"ALT", &inserted.alt } };
        for (const auto& [name, value] : clauses) {
            if (!*value)
                continue;
            const TagAttribute* attribute = tag.find(units, QStringView(name));
            if (!attribute)
                return "the inserted " + QString::fromUtf16(name).toStdString()
                    + " does not read as an attribute";
            QString read = ImgTag::value(units, *attribute).toString();
            if (read.endsWith(u'/') && attribute->quote.isNull() && attribute->valueEnd == tag.end)
                read.chop(1);
            if (read != **value)
                return "the inserted " + QString::fromUtf16(name).toStdString() + " reads back as «"
                    + visible(read) + "»";
        }
        return std::nullopt;
    }

    struct RunOutcome {
        QList<ReportRow> rows;
        Counters counters;
    };

    RunOutcome runEngine()
    {
        const TagOptions options = m_case.options;
        TaggingEngine engine([options] { return options; }, m_fetcher);
        engine.run(QStringList { m_path });
        return { engine.report().rows(), engine.report().counters() };
    }

    std::optional<std::string> tagProblem(
        const DocumentText& text, const ImgTag& tag, const Inserted& inserted, const ReportRow& row) const
    {
        const QStringView units = text.units();
        const TagOptions& options = m_case.options;
        if (row.file != m_path)
            return "report row names another file";
        const TagAttribute* src = tag.find(units, u"src");
        const TagAttribute* width = tag.find(units, u"width");
        const TagAttribute* height = tag.find(units, u"height");
        if ((inserted.width && width) || (inserted.height && height)
            || (inserted.border && tag.find(units, u"border")) || (inserted.alt && tag.find(units, u"alt")))
            return "a clause added for an attribute the tag already has";
        if (!src) {
            if (row.status != status::NoSrc)
                return "a tag without SRC reports «" + row.status.toStdString() + "»";
            if (inserted.any())
                return "clauses added to a tag without SRC";
            return std::nullopt;
        }
        if (row.status == status::Success && !inserted.any())
            return "reported a success without adding anything";
        if (inserted.any() && row.status != status::Success)
            return "added clauses but reports «" + row.status.toStdString() + "»";

        const QString source = text.toText(ImgTag::value(units, *src));
        if (inserted.border && (!options.addBorder || *inserted.border != options.borderSize))
            return "BORDER=" + inserted.border->toStdString() + " with border "
                + (options.addBorder ? "on" : "off");
        if (inserted.alt) {
            if (!options.addAlt)
                return "ALT added with ALT off";
            if (auto problem = altProblem(text, *inserted.alt, ImgTag::value(units, *src)))
                return problem;
        }
        if (isMissingPicture(source) && (inserted.width || inserted.height))
            return "a size added for a missing picture";
        if (isMissingPicture(source) && !width && !height && (inserted.any() || !status::isError(row.status)))
            return "a missing picture is not an error, or its tag changed anyway";
        if (const std::optional<KnownPicture> known = knownPicture(source)) {
            const auto given = [&](const TagAttribute* a) {
                return a ? plainNumber(text.toText(ImgTag::value(units, *a))) : std::nullopt;
            };
            std::optional<qint64> wantWidth;
            std::optional<qint64> wantHeight;
            if (!width && !height) {
                wantWidth = known->width;
                wantHeight = known->height;
            } else if (!width && given(height)) {
                wantWidth = scaled(*given(height), known->height, known->width);
            } else if (!height && given(width)) {
                wantHeight = scaled(*given(width), known->width, known->height);
            }
            if (wantWidth && inserted.width != QString::number(*wantWidth))
                return "WIDTH should be " + std::to_string(*wantWidth) + " for «" + source.toStdString()
                    + "»";
            if (wantHeight && inserted.height != QString::number(*wantHeight))
                return "HEIGHT should be " + std::to_string(*wantHeight) + " for «" + source.toStdString()
                    + "»";
            if (options.addBorder && !tag.find(units, u"border") && !inserted.border)
                return "BORDER missing on a measured picture";
            if (options.addAlt && !tag.find(units, u"alt") && !inserted.alt)
                return "ALT missing on a measured picture";
        }
        return std::nullopt;
    }

    std::optional<std::string> altProblem(
        const DocumentText& text, const QString& alt, QStringView sourceUnits) const
    {
        const DocumentText::Encoding encoding = text.encoding();
        QString want;
        if (m_case.alt == AltMode::Custom) {
            const AltChoice& choice = kAltTexts[m_case.altChoice];
            if (isUtf16(encoding))
                want = escaped(QString::fromUtf8(choice.text));
            else
                want = QString::fromLatin1(
                    encoding == DocumentText::Encoding::Utf8 ? choice.utf8 : choice.cp1252);
        } else {
            // The image name as written; checked where it goes back into the document unchanged.
            const bool ascii = std::all_of(
                sourceUnits.begin(), sourceUnits.end(), [](QChar c) { return c.unicode() < 0x80; });
            if (sourceUnits.contains(u'\\') || (encoding == DocumentText::Encoding::Windows1252 && !ascii))
                return std::nullopt;
            want = escaped(sourceUnits);
        }
        if (alt != want)
            return "ALT=\"" + visible(alt) + "\", expected ALT=\"" + visible(want) + "\"";
        return std::nullopt;
    }

    static std::optional<std::string> counterProblem(const RunOutcome& run, int taggedTags)
    {
        const int found = run.counters.totalOf(Counter::Found);
        const int tagged = run.counters.totalOf(Counter::Tagged);
        const int errors = run.counters.totalOf(Counter::Errors);
        const auto count = [&](auto predicate) {
            return static_cast<int>(std::count_if(run.rows.begin(), run.rows.end(), predicate));
        };
        const int noSrc = count([](const ReportRow& row) { return row.status == status::NoSrc; });
        const int errorRows = count([](const ReportRow& row) { return status::isError(row.status); });
        if (found + noSrc != run.rows.size())
            return "Found " + std::to_string(found) + " + " + std::to_string(noSrc)
                + " without SRC != " + std::to_string(run.rows.size()) + " rows";
        if (tagged > found)
            return "Tagged " + std::to_string(tagged) + " > Found " + std::to_string(found);
        if (tagged != taggedTags)
            return "Tagged " + std::to_string(tagged) + " but " + std::to_string(taggedTags)
                + " tags changed";
        if (errors != errorRows)
            return "Errors " + std::to_string(errors) + " but " + std::to_string(errorRows) + " error rows";
        return std::nullopt;
    }

    QString m_path;
    const Case& m_case;
    FailingFetcher m_fetcher;
};

// What failed, without the numbers and quoted text that change as a document shrinks.
std::string kindOf(const std::string& problem)
{
    static const std::string open = "«";
    static const std::string close = "»";
    std::string kind;
    for (size_t i = 0; i < problem.size();) {
        if (problem.compare(i, open.size(), open) == 0) {
            const size_t end = problem.find(close, i);
            i = end == std::string::npos ? problem.size() : end + close.size();
        } else {
            if (problem[i] < '0' || problem[i] > '9')
                kind += problem[i];
            ++i;
        }
    }
    return kind;
}

// Makes a failing case smaller while it fails the same way: chunks of the document
// removed, then options turned off, so that the report shows a readable document.
Case shrunk(const PageFolder& folder, Case c, const std::string& problem)
{
    const std::string kind = kindOf(problem);
    int budget = 3000;
    auto stillFails = [&](const Case& candidate) {
        if (--budget < 0)
            return false;
        const std::optional<std::string> p = DocumentCheck(folder, candidate).problem();
        return p && kindOf(*p) == kind;
    };
    const bool wide = c.bytes.startsWith("\xFF\xFE") || c.bytes.startsWith("\xFE\xFF");
    const qsizetype unit = wide ? 2 : 1;
    const qsizetype keep = wide ? 2 : 0;
    for (qsizetype chunk = std::max<qsizetype>(unit, (c.bytes.size() / 2) / unit * unit); chunk >= unit;
         chunk = chunk / 2 / unit * unit) {
        for (qsizetype at = keep; at + chunk <= c.bytes.size();) {
            Case smaller = c;
            smaller.bytes.remove(at, chunk);
            if (stillFails(smaller))
                c = smaller;
            else
                at += chunk;
        }
        if (chunk == unit)
            break;
    }
    const std::function<void(Case&)> simplifications[] = {
        [](Case& s) { s.options.generateBackups = false; },
        [](Case& s) { s.options.addBorder = false; },
        [](Case& s) {
            s.options.addAlt = false;
            s.alt = AltMode::Off;
        },
    };
    for (const auto& simplify : simplifications) {
        Case simpler = c;
        simplify(simpler);
        if (stillFails(simpler))
            c = simpler;
    }
    return c;
}

std::string describe(const Case& c)
{
    const char* const alt[] = { "off", "custom", "image name" };
    return "seed " + std::to_string(c.seed) + ", border " + (c.options.addBorder ? "on" : "off") + ", ALT "
        + alt[static_cast<int>(c.alt)] + ", backups " + (c.options.generateBackups ? "on" : "off");
}

// ---------------------------------------------------------------------------

QString randomUnits(Random& r)
{
    static const QString pieces[] = {
        QStringLiteral("<"),
        QStringLiteral("<img"),
        QStringLiteral("<IMG"),
        QStringLiteral("<iMg"),
        QStringLiteral(">"),
        QStringLiteral("/"),
        QStringLiteral("="),
        QStringLiteral("\""),
        QStringLiteral("'"),
        QStringLiteral(" "),
        QStringLiteral("\t"),
        QStringLiteral("\r"),
        QStringLiteral("\n"),
        QStringLiteral("\f"),
        QStringLiteral("a"),
        QStringLiteral("x"),
        QStringLiteral("src"),
        QString(QChar(u'\0')),
        QStringLiteral("\u00E9"),
        QStringLiteral("\u4E2D"),
        QString(QChar(0xD800)),
        QStringLiteral("<imgx"),
        QStringLiteral("/>"),
        QStringLiteral(" = "),
        QStringLiteral("g"),
        QStringLiteral("<img "),
    };
    QString text;
    for (int i = 0, n = r.below(80); i < n; ++i)
        text += r.pick(pieces);
    return text;
}

TEST(ScannerProperties, RandomTextGivesOrderedWellFormedTagsThatMatchTheModel)
{
    int failures = 0;
    for (const quint64 seed : seeds(1, kScannerCases)) {
        Random r(seed);
        const QString text
            = r.percent(30) ? QString::fromLatin1(document(r, Kind::RandomBytes)) : randomUnits(r);
        if (const auto problem = scannerProblem(text)) {
            ADD_FAILURE() << "seed " << seed << ": " << *problem << "\n  text: «" << visible(text) << "»";
            if (++failures == 5)
                break;
        }
    }
}

TEST(ScannerProperties, DocumentsGiveOrderedWellFormedTagsThatMatchTheModel)
{
    int failures = 0;
    for (const quint64 seed : seeds(1, kScannerCases)) {
        const Case c = makeCase(seed);
        const DocumentText text = DocumentText::decode(c.bytes);
        if (const auto problem = scannerProblem(text.units())) {
            ADD_FAILURE() << "seed " << seed << ": " << *problem << "\n  document: «" << visible(c.bytes)
                          << "»";
            if (++failures == 5)
                break;
        }
    }
}

// The checks themselves must see a wrong rewrite, or every case above would pass for nothing.
TEST(ScannerProperties, InsertionWalkRejectsWhatTheEngineMustNeverDo)
{
    const QString before = QStringLiteral("x<img src=a.gif>y<IMG src='b.png' />z");
    const std::vector<ImgTag> tags = scannedTags(before);
    ASSERT_EQ(tags.size(), 2u);
    std::vector<Inserted> inserted;

    const QString right
        = QStringLiteral("x<img src=a.gif WIDTH=120 HEIGHT=60>y<IMG src='b.png' BORDER=0 ALT=\"b\" />z");
    ASSERT_FALSE(insertionsOnly(before, tags, right, inserted));
    EXPECT_EQ(inserted[0].width, QStringLiteral("120"));
    EXPECT_EQ(inserted[1].alt, QStringLiteral("b"));

    const QString wrong[] = {
        QStringLiteral("x<img WIDTH=120 src=a.gif>y<IMG src='b.png' />z"), // not at the insertion point
        QStringLiteral("x<img src=a.gif WIDTH=120>y<IMG src='b.png'/>z"), // a blank dropped
        QStringLiteral("x<img src=a.gif HEIGHT=60 WIDTH=120>y<IMG src='b.png' />z"), // out of order
        QStringLiteral("x<img src=a.gif WIDTH=1 WIDTH=2>y<IMG src='b.png' />z"), // twice
        QStringLiteral("x<img src=a.gif ALT=\"a\"b\">y<IMG src='b.png' />z"), // quote not escaped
        QStringLiteral("x<img src=a.gif>y<IMG src='b.png' / WIDTH=7>z"), // after the "/"
        QStringLiteral("x<img src=a.gif>y<IMG src='b.png' />z WIDTH=7"), // outside any tag
    };
    for (const QString& after : wrong)
        EXPECT_TRUE(insertionsOnly(before, tags, after, inserted)) << after.toStdString();
}

TEST(DocumentProperties, RewritesOnlyInsertClausesAtTagsAndASecondRunAddsNothing)
{
    const PageFolder folder;
    int failures = 0;
    for (const quint64 seed : seeds(1, kDocumentCases)) {
        const Case c = makeCase(seed);
        const std::optional<std::string> problem = DocumentCheck(folder, c).problem();
        if (!problem)
            continue;
        const Coverage counted = coverage; // the shrinking runs are not cases of their own
        const Case small = shrunk(folder, c, *problem);
        const std::string smallProblem = DocumentCheck(folder, small).problem().value_or(*problem);
        coverage = counted;
        ADD_FAILURE() << describe(c) << ": " << *problem << "\n  document: «" << visible(c.bytes, 300)
                      << "»\n  smallest failing document (" << describe(small) << "): «"
                      << visible(small.bytes) << "»\n  fails with: " << smallProblem;
        if (++failures == 5)
            break;
    }
    const Coverage& seen = coverage;
    std::printf("%d documents (%d UTF-8, %d Windows-1252, %d UTF-16), %d rewritten; %d tags, %d tagged, %d "
                "self-closing tagged, %d ALT clauses, %d error rows; %d documents whose tags the first run's "
                "quotes changed\n",
        seen.documents, seen.encodings[0], seen.encodings[1], seen.encodings[2] + seen.encodings[3],
        seen.rewritten, seen.tags, seen.taggedTags, seen.selfClosing, seen.altClauses, seen.errorRows,
        seen.restructured);
}

// Each document, tagged with border and ALT (the image name) on, keeps every promise.
void expectNoProblem(std::initializer_list<const char*> documents)
{
    const PageFolder folder;
    for (const char* bytes : documents) {
        Case c;
        c.bytes = bytes;
        c.options.addBorder = true;
        c.options.generateBackups = false;
        c.options.addAlt = true;
        c.options.altTextIndex = 0;
        c.alt = AltMode::ImageName;
        const std::optional<std::string> problem = DocumentCheck(folder, c).problem();
        EXPECT_FALSE(problem) << bytes << ": " << problem.value_or("");
    }
}

// Clauses that went after "alt=" would become its value, so they go before it.
TEST(DocumentProperties, ClausesBeforeAnEmptyValueStandAsAttributesOfTheirOwn)
{
    expectNoProblem({ "<img src=\"a.gif\" T=>", "<img src=a.gif alt= >", "<Img Src=b.png WIDTH=>",
        "<img src='b.png' border\t=\n>", "<img\nalt=>" });
}

// With no blank before such an attribute, a blank after the clauses keeps the last
// one from running into its name (HEIGHT=3T= would give HEIGHT the value "3T=").
// These are the smallest documents the property run found.
TEST(DocumentProperties, ClausesBeforeAGluedEmptyValueStandAsAttributesOfTheirOwn)
{
    expectNoProblem({ "<img src=\"b.png\"T=>", "<img SRc=\"b.png\"t=''alt=>", "<img src='a.gif'alt =\t>" });
}

} // namespace
} // namespace quillon
