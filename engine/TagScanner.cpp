#include "engine/TagScanner.h"

#include <iterator>

namespace quillon {

namespace {

bool isAsciiLetterIgnoringCase(QChar c, char16_t lower)
{
    return (c.unicode() | 0x20) == lower;
}

} // namespace

const TagAttribute* ImgTag::find(QStringView text, QStringView name) const
{
    for (const TagAttribute& attribute : attributes) {
        const QStringView attributeName = text.sliced(attribute.nameStart, attribute.nameEnd - attribute.nameStart);
        if (attributeName.compare(name, Qt::CaseInsensitive) == 0)
            return &attribute;
    }
    return nullptr;
}

QStringView ImgTag::value(QStringView text, const TagAttribute& attribute)
{
    if (!attribute.hasValue())
        return {};
    qsizetype from = attribute.valueStart;
    qsizetype to = attribute.valueEnd;
    if (!attribute.quote.isNull()) {
        ++from;
        --to;
    }
    return text.sliced(from, to - from);
}

namespace {

// The attribute states of the HTML tokenizer, from the first character after
// "<img" to the ">" that ends the tag.
enum class State : quint8 {
    BeforeAttributeName,
    AttributeName,
    AfterAttributeName,
    BeforeAttributeValue,
    ValueDoubleQuoted,
    ValueSingleQuoted,
    ValueUnquoted,
    AfterValueQuoted,
    SelfClosing,
};
constexpr int kStates = int(State::SelfClosing) + 1;

// A tag as far as it has been read.
struct Reading {
    ImgTag tag;
    TagAttribute current;
    State state = State::BeforeAttributeName;
    qsizetype slash = -1; // the "/" of a self-closing tag, while it may still be one
};

// Reads the unit at i; true when it is the ">" that ends the tag.
bool step(Reading& r, QStringView text, qsizetype i)
{
    const QChar c = text[i];
    ImgTag& tag = r.tag;
    TagAttribute& current = r.current;
    const qsizetype start = tag.start;
    auto finishAttribute = [&] { tag.attributes.append(current); };
    auto startAttribute = [&](qsizetype at) {
        current = TagAttribute();
        current.nameStart = at;
        current.nameEnd = at + 1;
    };

    for (;;) { // "continue" reads c again in the new state
        switch (r.state) {
        case State::BeforeAttributeName:
            if (isHtmlBlank(c))
                return false;
            if (c == u'/') {
                r.slash = i;
                r.state = State::SelfClosing;
            } else if (c == u'>') {
                tag.end = i;
                tag.insertAt = i;
                return true;
            } else {
                startAttribute(i); // "=" here starts a name, as in HTML
                r.state = State::AttributeName;
            }
            return false;
        case State::AttributeName:
            if (isHtmlBlank(c)) {
                r.state = State::AfterAttributeName;
            } else if (c == u'/' || c == u'>') {
                finishAttribute();
                r.state = State::BeforeAttributeName;
                continue;
            } else if (c == u'=') {
                r.state = State::BeforeAttributeValue;
            } else {
                current.nameEnd = i + 1;
            }
            return false;
        case State::AfterAttributeName:
            if (isHtmlBlank(c))
                return false;
            if (c == u'=') {
                r.state = State::BeforeAttributeValue;
                return false;
            }
            finishAttribute();
            r.state = State::BeforeAttributeName;
            continue;
        case State::BeforeAttributeValue:
            if (isHtmlBlank(c))
                return false;
            current.valueStart = i;
            if (c == u'"') {
                current.quote = c;
                r.state = State::ValueDoubleQuoted;
            } else if (c == u'\'') {
                current.quote = c;
                r.state = State::ValueSingleQuoted;
            } else if (c == u'>') {
                current.valueEnd = i; // "alt=>": an empty value
                finishAttribute();
                // Anything put after "alt=" would become its value: new attributes go before it.
                qsizetype at = current.nameStart;
                while (at > start + 4 && isHtmlBlank(text[at - 1]))
                    --at;
                tag.end = i;
                tag.insertAt = at;
                tag.blankAfterInsert = (at == current.nameStart); // «'a.gif'alt=>»: keep the name apart
                return true;
            } else {
                r.state = State::ValueUnquoted;
            }
            return false;
        case State::ValueDoubleQuoted:
        case State::ValueSingleQuoted:
            if (c == current.quote) {
                current.valueEnd = i + 1;
                finishAttribute();
                r.state = State::AfterValueQuoted;
            }
            return false;
        case State::ValueUnquoted:
            if (isHtmlBlank(c) || c == u'>') {
                current.valueEnd = i;
                finishAttribute();
                r.state = State::BeforeAttributeName;
                continue;
            }
            return false;
        case State::AfterValueQuoted:
            r.state = State::BeforeAttributeName;
            continue; // a missing blank between attributes is forgiven, as browsers do
        case State::SelfClosing:
            if (c == u'>') {
                qsizetype at = r.slash;
                while (at > start + 4 && isHtmlBlank(text[at - 1]))
                    --at;
                tag.end = i;
                tag.insertAt = at;
                tag.blankAfterInsert = (at == r.slash); // «'a.gif'/>»: HEIGHT=60/ would lose the "/"
                return true;
            }
            r.slash = -1;
            r.state = State::BeforeAttributeName;
            continue;
        }
        return false;
    }
}

// The units the states tell apart, each kind by one of its members; every other
// unit reads like a letter.
constexpr char16_t kKinds[] = {u'a', u' ', u'/', u'>', u'=', u'"', u'\''};
constexpr int kKindCount = int(std::size(kKinds));

int kindOf(QChar c)
{
    if (isHtmlBlank(c))
        return 1;
    switch (c.unicode()) {
    case u'/': return 2;
    case u'>': return 3;
    case u'=': return 4;
    case u'"': return 5;
    case u'\'': return 6;
    default: return 0;
    }
}

using StateSet = quint16; // bit s: a reading in state s
static_assert(kStates <= 16);

// For each kind of unit and each set of states: the states from which reading
// that unit either ends the tag or leads into the set. Made from step() itself.
struct EndingTable {
    StateSet before[kKindCount][1 << kStates];

    EndingTable()
    {
        for (int kind = 0; kind < kKindCount; ++kind) {
            const QChar unit(kKinds[kind]);
            bool ends[kStates];
            int next[kStates];
            for (int s = 0; s < kStates; ++s) {
                Reading r;
                r.tag.start = -4; // nothing before the unit to look back at
                r.state = State(s);
                r.current.quote = s == int(State::ValueSingleQuoted) ? QChar(u'\'') : QChar(u'"');
                ends[s] = step(r, QStringView(&unit, 1), 0);
                next[s] = int(r.state);
            }
            for (int set = 0; set < (1 << kStates); ++set) {
                StateSet from = 0;
                for (int s = 0; s < kStates; ++s) {
                    if (ends[s] || (set & (1 << next[s])))
                        from |= StateSet(1 << s);
                }
                before[kind][set] = from;
            }
        }
    }
};

} // namespace

bool TagScanner::opensTag(qsizetype i) const
{
    const qsizetype size = m_text.size();
    if (i < 0 || i + 4 > size || m_text[i] != u'<' || !isAsciiLetterIgnoringCase(m_text[i + 1], u'i')
        || !isAsciiLetterIgnoringCase(m_text[i + 2], u'm') || !isAsciiLetterIgnoringCase(m_text[i + 3], u'g'))
        return false;
    if (i + 4 == size)
        return true; // "<img" at the very end: a tag start without an end
    const QChar after = m_text[i + 4];
    return isHtmlBlank(after) || after == u'/' || after == u'>';
}

qsizetype TagScanner::findTagStart(qsizetype from) const
{
    for (qsizetype i = m_text.indexOf(u'<', from); i >= 0; i = m_text.indexOf(u'<', i + 1)) {
        if (opensTag(i))
            return i;
    }
    return -1;
}

// Reads the text once from its end back to from, keeping the set of states in
// which a reading would still reach the end of a tag, and marks every tag start
// whose reading never would.
void TagScanner::markStartsWithoutEnd(qsizetype from)
{
    static const EndingTable table;
    const qsizetype size = m_text.size();
    m_endlessFrom = from;
    m_endless.assign(static_cast<size_t>(size - from), false);
    StateSet ending = 0; // at the end of the text no reading ends
    for (qsizetype i = size; i >= from; --i) {
        // ending is for a reading about to read unit i
        if (i - 4 >= from && opensTag(i - 4) && !(ending & (1 << int(State::BeforeAttributeName))))
            m_endless[static_cast<size_t>(i - 4 - from)] = true;
        if (i > from)
            ending = table.before[kindOf(m_text[i - 1])][ending];
    }
}

std::optional<ImgTag> TagScanner::next()
{
    while (m_pos < m_text.size()) {
        const qsizetype start = findTagStart(m_pos);
        if (start < 0) {
            m_pos = m_text.size();
            return std::nullopt;
        }
        const bool endless = m_endlessFrom >= 0 && start >= m_endlessFrom
            && m_endless[static_cast<size_t>(start - m_endlessFrom)];
        if (!endless) {
            if (std::optional<ImgTag> tag = parseTag(start)) {
                m_pos = tag->end + 1;
                return tag;
            }
            // Once one tag start is known to have no end, every later one is
            // judged in one reading of the text, not read to the end each.
            if (m_endlessFrom < 0)
                markStartsWithoutEnd(start + 4);
        }
        m_pos = start + 4; // a tag without an end stays as it is
    }
    return std::nullopt;
}

std::optional<ImgTag> TagScanner::parseTag(qsizetype start) const
{
    Reading reading;
    reading.tag.start = start;
    const qsizetype size = m_text.size();
    for (qsizetype i = start + 4; i < size; ++i) {
        if (step(reading, m_text, i))
            return std::move(reading.tag);
    }
    return std::nullopt;
}

} // namespace quillon
