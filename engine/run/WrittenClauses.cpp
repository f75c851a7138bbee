#include "engine/run/WrittenClauses.h"

#include "engine/html/DocumentText.h"
#include "engine/html/TagScanner.h"
#include "engine/run/PictureSources.h"

#include <QList>
#include <QSet>

#include <algorithm>

namespace quillon {

namespace {

using Element = PictureSources::Element;

struct FoundTag {
    Element element;
    ImgTag tag;
};

// The tags that can carry our clauses, and the pictures around source tags with
// their end tags, in document order: what the document pass reads.
QList<FoundTag> tagsIn(QStringView units)
{
    QList<FoundTag> found;
    TagScanner scanner(units, PictureSources::kElements, true);
    while (std::optional<ImgTag> tag = scanner.next())
        found.append(FoundTag { static_cast<Element>(tag->element), std::move(*tag) });
    return found;
}

// A change to the backup's units: [from, to) replaced by units.
struct Edit {
    qsizetype from;
    qsizetype to;
    QString units;
};

QStringView nameOf(QStringView text, const TagAttribute& attribute)
{
    return text.sliced(attribute.nameStart, attribute.nameEnd - attribute.nameStart);
}

// The value as written, quotes included; empty without one.
QStringView rawValue(QStringView text, const TagAttribute& attribute)
{
    return attribute.hasValue() ? text.sliced(attribute.valueStart, attribute.valueEnd - attribute.valueStart)
                                : QStringView();
}

bool isDigits(QStringView text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A clause of ours: a name we write, all in capitals or all in small letters,
// with a value unquoted or in double quotes.
bool isOurClause(QStringView text, const TagAttribute& attribute, Element element)
{
    const QStringView name = nameOf(text, attribute);
    const QString lower = name.toString().toLower();
    const bool known = lower == u"width" || lower == u"height"
        || (element == Element::Img && (lower == u"border" || lower == u"alt"));
    const bool oneCase = name == lower || name == lower.toUpper();
    return known && oneCase && attribute.hasValue() && (attribute.quote.isNull() || attribute.quote == u'"');
}

// How the page's tag came from the backup's: clauses added at the insertion
// point and a height's digits corrected. False for any other change.
bool editsBetween(QStringView backup, const ImgTag& was, QStringView page, const ImgTag& is, Element element,
    bool inPicture, QList<Edit>& edits)
{
    const qsizetype kept = was.attributes.size();
    const qsizetype extra = is.attributes.size() - kept;
    if (extra < 0)
        return false;
    // Clauses go in after the attributes that stand before the insertion point
    // (all of them, but for the last one of «alt=>»).
    const qsizetype firstAdded = std::count_if(was.attributes.cbegin(), was.attributes.cend(),
        [&](const TagAttribute& attribute) { return attribute.nameStart < was.insertAt; });
    for (qsizetype i = 0; i < kept; ++i) {
        const TagAttribute& before = was.attributes[i];
        const TagAttribute& after = is.attributes[i < firstAdded ? i : i + extra];
        if (nameOf(backup, before) != nameOf(page, after))
            return false;
        if (before.hasValue() == after.hasValue() && rawValue(backup, before) == rawValue(page, after))
            continue;
        // A stale height made to fit its picture: new digits between the same quotes.
        if (element != Element::Img || nameOf(backup, before).compare(u"height", Qt::CaseInsensitive) != 0
            || !before.hasValue() || !after.hasValue() || before.quote != after.quote)
            return false;
        const qsizetype quotes = before.quote.isNull() ? 0 : 1;
        const QStringView digits
            = page.sliced(after.valueStart + quotes, after.valueEnd - after.valueStart - 2 * quotes);
        if (!isDigits(digits))
            return false;
        edits.append(Edit { before.valueStart + quotes, before.valueEnd - quotes, digits.toString() });
    }
    if (extra == 0)
        return true;
    if (element == Element::Source && !inPicture)
        return false;
    QString clauses;
    QSet<QString> added;
    for (qsizetype i = firstAdded; i < firstAdded + extra; ++i) {
        const TagAttribute& clause = is.attributes[i];
        const QString name = nameOf(page, clause).toString().toLower();
        if (!isOurClause(page, clause, element) || was.find(backup, name) || added.contains(name))
            return false;
        added.insert(name);
        clauses += u' ' + nameOf(page, clause).toString() + u'=' + rawValue(page, clause).toString();
    }
    if (was.blankAfterInsert)
        clauses += u' ';
    edits.append(Edit { was.insertAt, was.insertAt, clauses });
    return true;
}

} // namespace

bool onlyWrittenClausesDiffer(const QByteArray& backup, const QByteArray& page)
{
    if (backup == page)
        return true;
    const DocumentText before = DocumentText::decode(backup);
    const DocumentText after = DocumentText::decode(page);
    const QList<FoundTag> was = tagsIn(before.units());
    const QList<FoundTag> is = tagsIn(after.units());
    if (was.size() != is.size())
        return false;

    QList<Edit> edits;
    bool inPicture = false;
    for (qsizetype i = 0; i < was.size(); ++i) {
        const Element element = was[i].element;
        if (is[i].element != element)
            return false;
        if (is[i].tag.endTag != was[i].tag.endTag)
            return false;
        if (element == Element::Picture) {
            inPicture = !was[i].tag.endTag; // pictures do not nest: a new one ends the last
            continue;
        }
        if (was[i].tag.endTag)
            continue;
        if (!editsBetween(before.units(), was[i].tag, after.units(), is[i].tag, element, inPicture, edits))
            return false;
        if (element == Element::Img)
            inPicture = false; // a picture ends with its image
    }

    // The backup with those edits made must be the page, byte for byte: the
    // text between the tags, and the tags around the edits, are the same.
    std::stable_sort(
        edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.from < b.from; });
    QByteArray expected;
    expected.reserve(page.size());
    qsizetype copied = 0;
    for (const Edit& edit : std::as_const(edits)) {
        const qsizetype from = before.byteOffset(edit.from);
        if (from < copied)
            return false; // edits that overlap: no run of ours makes those
        expected.append(backup.sliced(copied, from - copied));
        expected.append(before.encodeUnits(edit.units));
        copied = before.byteOffset(edit.to);
    }
    expected.append(backup.sliced(copied));
    return expected == page;
}

} // namespace quillon
