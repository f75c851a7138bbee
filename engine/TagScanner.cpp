#include "engine/TagScanner.h"

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

qsizetype TagScanner::findTagStart(qsizetype from) const
{
    const qsizetype size = m_text.size();
    for (qsizetype i = m_text.indexOf(u'<', from); i >= 0 && i + 4 <= size; i = m_text.indexOf(u'<', i + 1)) {
        if (!isAsciiLetterIgnoringCase(m_text[i + 1], u'i') || !isAsciiLetterIgnoringCase(m_text[i + 2], u'm')
            || !isAsciiLetterIgnoringCase(m_text[i + 3], u'g'))
            continue;
        if (i + 4 == size)
            return i; // "<img" at the very end: a tag start without an end
        const QChar after = m_text[i + 4];
        if (isHtmlBlank(after) || after == u'/' || after == u'>')
            return i;
    }
    return -1;
}

std::optional<ImgTag> TagScanner::next()
{
    while (m_pos < m_text.size()) {
        const qsizetype start = findTagStart(m_pos);
        if (start < 0) {
            m_pos = m_text.size();
            return std::nullopt;
        }
        if (std::optional<ImgTag> tag = parseTag(start)) {
            m_pos = tag->end + 1;
            return tag;
        }
        m_pos = start + 4; // a tag without an end stays as it is
    }
    return std::nullopt;
}

// The attribute states of the HTML tokenizer, from the first character after
// "<img" to the ">" that ends the tag.
std::optional<ImgTag> TagScanner::parseTag(qsizetype start) const
{
    enum class State {
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

    ImgTag tag;
    tag.start = start;
    TagAttribute current;
    State state = State::BeforeAttributeName;
    qsizetype slash = -1; // the "/" of a self-closing tag, while it may still be one

    auto finishAttribute = [&] { tag.attributes.append(current); };
    auto startAttribute = [&](qsizetype at) {
        current = TagAttribute();
        current.nameStart = at;
        current.nameEnd = at + 1;
    };

    const qsizetype size = m_text.size();
    for (qsizetype i = start + 4; i < size; ++i) {
        const QChar c = m_text[i];
        switch (state) {
        case State::BeforeAttributeName:
            if (isHtmlBlank(c))
                break;
            if (c == u'/') {
                slash = i;
                state = State::SelfClosing;
            } else if (c == u'>') {
                tag.end = i;
                tag.insertAt = i;
                return tag;
            } else {
                startAttribute(i); // "=" here starts a name, as in HTML
                state = State::AttributeName;
            }
            break;
        case State::AttributeName:
            if (isHtmlBlank(c)) {
                state = State::AfterAttributeName;
            } else if (c == u'/' || c == u'>') {
                finishAttribute();
                state = State::BeforeAttributeName;
                --i;
            } else if (c == u'=') {
                state = State::BeforeAttributeValue;
            } else {
                current.nameEnd = i + 1;
            }
            break;
        case State::AfterAttributeName:
            if (isHtmlBlank(c))
                break;
            if (c == u'=') {
                state = State::BeforeAttributeValue;
            } else {
                finishAttribute();
                state = State::BeforeAttributeName;
                --i;
            }
            break;
        case State::BeforeAttributeValue:
            if (isHtmlBlank(c))
                break;
            current.valueStart = i;
            if (c == u'"') {
                current.quote = c;
                state = State::ValueDoubleQuoted;
            } else if (c == u'\'') {
                current.quote = c;
                state = State::ValueSingleQuoted;
            } else if (c == u'>') {
                current.valueEnd = i; // "alt=>": an empty value
                finishAttribute();
                // Anything put after "alt=" would become its value: new attributes go before it.
                qsizetype at = current.nameStart;
                while (at > start + 4 && isHtmlBlank(m_text[at - 1]))
                    --at;
                tag.end = i;
                tag.insertAt = at;
                tag.blankAfterInsert = (at == current.nameStart); // «'a.gif'alt=>»: keep the name apart
                return tag;
            } else {
                state = State::ValueUnquoted;
            }
            break;
        case State::ValueDoubleQuoted:
        case State::ValueSingleQuoted:
            if (c == current.quote) {
                current.valueEnd = i + 1;
                finishAttribute();
                state = State::AfterValueQuoted;
            }
            break;
        case State::ValueUnquoted:
            if (isHtmlBlank(c) || c == u'>') {
                current.valueEnd = i;
                finishAttribute();
                state = State::BeforeAttributeName;
                --i;
            }
            break;
        case State::AfterValueQuoted:
            state = State::BeforeAttributeName;
            --i; // a missing blank between attributes is forgiven, as browsers do
            break;
        case State::SelfClosing:
            if (c == u'>') {
                qsizetype at = slash;
                while (at > start + 4 && isHtmlBlank(m_text[at - 1]))
                    --at;
                tag.end = i;
                tag.insertAt = at;
                tag.blankAfterInsert = (at == slash); // «'a.gif'/>»: HEIGHT=60/ would lose the "/"
                return tag;
            }
            slash = -1;
            state = State::BeforeAttributeName;
            --i;
            break;
        }
    }
    return std::nullopt;
}

} // namespace quillon
