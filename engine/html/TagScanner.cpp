#include "engine/html/TagScanner.h"

#include <utility>

namespace quillon {

namespace {

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode() | 0x20;
    return u >= u'a' && u <= u'z';
}

// Tag names compare in ASCII letter case only, as HTML compares them: «ſcript» is no script.
bool sameName(QStringView name, QStringView lowerCase)
{
    if (name.size() != lowerCase.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        if ((u >= u'A' && u <= u'Z' ? char16_t(u | 0x20) : u) != lowerCase[i].unicode())
            return false;
    }
    return true;
}

// Whether the text at i starts with word (lower case) in any ASCII letter case.
bool startsWithName(QStringView text, qsizetype i, QStringView word)
{
    return i + word.size() <= text.size() && sameName(text.sliced(i, word.size()), word);
}

bool endsTagName(QChar c)
{
    return isHtmlBlank(c) || c == u'/' || c == u'>';
}

// The elements whose content is text up to their own end tag.
constexpr QStringView kRawTextElements[] = {
    u"style", u"xmp", u"iframe", u"noembed", u"noframes", // RAWTEXT
    u"textarea", u"title", // RCDATA
};

} // namespace

const TagAttribute* ImgTag::find(QStringView text, QStringView name) const
{
    for (const TagAttribute& attribute : attributes) {
        const QStringView attributeName
            = text.sliced(attribute.nameStart, attribute.nameEnd - attribute.nameStart);
        if (sameName(attributeName, name))
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

std::optional<ImgTag> TagScanner::next()
{
    while (m_pos < m_text.size()) {
        if (step())
            return std::exchange(m_tag, ImgTag());
    }
    return std::nullopt;
}

void TagScanner::skipTo(char16_t unit)
{
    const qsizetype at = m_text.indexOf(QChar(unit), m_pos);
    m_pos = at < 0 ? m_text.size() : at;
}

void TagScanner::beginTag(qsizetype lessThan, bool endTag)
{
    m_tagStart = lessThan;
    m_nameStart = lessThan + (endTag ? 2 : 1);
    m_endTag = endTag;
    m_wanted = false;
    m_slash = -1;
}

void TagScanner::endTagName()
{
    m_nameEnd = m_pos;
    m_wanted = false;
    if (m_endTag && !m_withEndTags)
        return;
    const QStringView name = m_text.sliced(m_nameStart, m_nameEnd - m_nameStart);
    for (qsizetype i = 0; i < m_elements.size() && !m_wanted; ++i) {
        m_wanted = sameName(name, m_elements[i]);
        if (m_wanted) {
            m_tag = ImgTag();
            m_tag.element = i;
            m_tag.endTag = m_endTag;
            m_tag.start = m_tagStart;
        }
    }
}

void TagScanner::finishAttribute()
{
    if (m_wanted)
        m_tag.attributes.append(m_attribute);
}

// The ">" at greaterThan ends the tag; true when it is one the caller wants.
// A start tag of an element whose content is not markup decides how the text
// after it is read.
bool TagScanner::finishTag(qsizetype greaterThan, qsizetype insertAt, bool blankAfterInsert)
{
    m_pos = greaterThan + 1;
    m_state = State::Data;
    if (!m_endTag) {
        const QStringView name = m_text.sliced(m_nameStart, m_nameEnd - m_nameStart);
        if (sameName(name, u"script")) {
            m_rawElement = u"script";
            m_state = State::ScriptData;
        } else if (sameName(name, u"plaintext")) {
            m_state = State::Plaintext;
        } else {
            for (const QStringView element : kRawTextElements) {
                if (sameName(name, element)) {
                    m_rawElement = element;
                    m_state = State::RawText;
                }
            }
        }
    }
    if (!m_wanted)
        return false;
    m_tag.end = greaterThan;
    m_tag.insertAt = insertAt;
    m_tag.blankAfterInsert = blankAfterInsert;
    return true;
}

// "</" and the name of the element whose text is being read, then a blank, "/" or ">".
bool TagScanner::endTagAt(qsizetype i) const
{
    const qsizetype after = i + 2 + m_rawElement.size();
    return i + 1 < m_text.size() && m_text[i + 1] == u'/' && startsWithName(m_text, i + 2, m_rawElement)
        && after < m_text.size() && endsTagName(m_text[after]);
}

// "<script" or "</script", then a blank, "/" or ">".
bool TagScanner::scriptTagAt(qsizetype i, bool endTag) const
{
    const qsizetype name = i + (endTag ? 2 : 1);
    return (!endTag || (i + 1 < m_text.size() && m_text[i + 1] == u'/'))
        && startsWithName(m_text, name, u"script") && name + 6 < m_text.size()
        && endsTagName(m_text[name + 6]);
}

// The end tag at lessThan closes the element; it is read as any tag is.
void TagScanner::openEndTag(qsizetype lessThan)
{
    beginTag(lessThan, true);
    m_pos = lessThan + 2;
    m_state = State::TagName;
}

// Reads the unit at m_pos and moves on; true when it ended a wanted tag.
bool TagScanner::step()
{
    const QChar c = m_text[m_pos];
    // Where new attributes go when the tag ends here: before the ">", or before
    // the blanks in front of what must stay last (the "/" of "/>", a name with "=").
    auto insertBefore = [this](qsizetype at) {
        while (at > m_nameEnd && isHtmlBlank(m_text[at - 1]))
            --at;
        return at;
    };

    for (;;) { // "continue" reads c again in the new state
        switch (m_state) {
        case State::Data:
            skipTo(u'<');
            if (m_pos < m_text.size()) {
                ++m_pos;
                m_state = State::TagOpen;
            }
            return false;
        case State::TagOpen:
            if (c == u'!') {
                if (m_text.sliced(m_pos + 1).startsWith(u"--")) {
                    m_pos += 3;
                    m_state = State::CommentStart;
                } else {
                    ++m_pos; // "<!DOCTYPE", "<![CDATA[" and the like end at the first ">"
                    m_state = State::BogusComment;
                }
                return false;
            }
            if (c == u'/') {
                ++m_pos;
                m_state = State::EndTagOpen;
                return false;
            }
            if (isAsciiLetter(c)) {
                beginTag(m_pos - 1, false);
                m_state = State::TagName;
            } else {
                m_state = c == u'?' ? State::BogusComment : State::Data; // "< " and "<3" are text
            }
            continue;
        case State::EndTagOpen:
            if (isAsciiLetter(c)) {
                beginTag(m_pos - 2, true);
                m_state = State::TagName;
                continue;
            }
            if (c == u'>') { // "</>" is nothing at all
                ++m_pos;
                m_state = State::Data;
                return false;
            }
            m_state = State::BogusComment;
            continue;
        case State::TagName:
            if (isHtmlBlank(c)) {
                endTagName();
                m_state = State::BeforeAttributeName;
            } else if (c == u'/') {
                endTagName();
                m_slash = m_pos;
                m_state = State::SelfClosingStartTag;
            } else if (c == u'>') {
                endTagName();
                return finishTag(m_pos, m_pos, false);
            }
            ++m_pos;
            return false;
        case State::BeforeAttributeName:
            if (isHtmlBlank(c)) {
                ++m_pos;
                return false;
            }
            if (c == u'/') {
                m_slash = m_pos;
                m_state = State::SelfClosingStartTag;
            } else if (c == u'>') {
                return finishTag(m_pos, m_pos, false);
            } else {
                m_attribute = TagAttribute(); // "=" here starts a name, as in HTML
                m_attribute.nameStart = m_pos;
                m_attribute.nameEnd = m_pos + 1;
                m_state = State::AttributeName;
            }
            ++m_pos;
            return false;
        case State::AttributeName:
            if (isHtmlBlank(c)) {
                m_state = State::AfterAttributeName;
            } else if (c == u'/' || c == u'>') {
                finishAttribute();
                m_state = State::BeforeAttributeName;
                continue;
            } else if (c == u'=') {
                m_state = State::BeforeAttributeValue;
            } else {
                m_attribute.nameEnd = m_pos + 1;
            }
            ++m_pos;
            return false;
        case State::AfterAttributeName:
            if (isHtmlBlank(c)) {
                ++m_pos;
                return false;
            }
            if (c == u'=') {
                m_state = State::BeforeAttributeValue;
                ++m_pos;
                return false;
            }
            finishAttribute();
            m_state = State::BeforeAttributeName;
            continue;
        case State::BeforeAttributeValue:
            if (isHtmlBlank(c)) {
                ++m_pos;
                return false;
            }
            m_attribute.valueStart = m_pos;
            if (c == u'"' || c == u'\'') {
                m_attribute.quote = c;
                m_state = c == u'"' ? State::AttributeValueDoubleQuoted : State::AttributeValueSingleQuoted;
            } else if (c == u'>') {
                m_attribute.valueEnd = m_pos; // "alt=>": an empty value
                finishAttribute();
                // Anything put after "alt=" would become its value: new attributes go before it.
                const qsizetype at = insertBefore(m_attribute.nameStart);
                // «'a.gif'alt=>»: keep the name apart
                return finishTag(m_pos, at, at == m_attribute.nameStart);
            } else {
                m_state = State::AttributeValueUnquoted;
            }
            ++m_pos;
            return false;
        case State::AttributeValueDoubleQuoted:
        case State::AttributeValueSingleQuoted: {
            const qsizetype close = m_text.indexOf(m_attribute.quote, m_pos);
            if (close < 0) {
                m_pos = m_text.size();
                return false;
            }
            m_pos = close + 1;
            m_attribute.valueEnd = m_pos;
            finishAttribute();
            m_state = State::AfterAttributeValueQuoted;
            return false;
        }
        case State::AttributeValueUnquoted:
            if (isHtmlBlank(c) || c == u'>') {
                m_attribute.valueEnd = m_pos;
                finishAttribute();
                m_state = State::BeforeAttributeName;
                continue;
            }
            ++m_pos; // a "/" belongs to the value: «src=a.gif/>» names «a.gif/»
            return false;
        case State::AfterAttributeValueQuoted:
            m_state = State::BeforeAttributeName;
            continue; // a missing blank between attributes is forgiven, as browsers do
        case State::SelfClosingStartTag:
            if (c == u'>') {
                const qsizetype at = insertBefore(m_slash);
                return finishTag(m_pos, at, at == m_slash); // «'a.gif'/>»: HEIGHT=60/ would lose the "/"
            }
            m_slash = -1;
            m_state = State::BeforeAttributeName;
            continue;
        case State::BogusComment:
            skipTo(u'>');
            if (m_pos < m_text.size()) {
                ++m_pos;
                m_state = State::Data;
            }
            return false;
        case State::CommentStart:
        case State::CommentStartDash:
            if (c == u'>') { // "<!-->" and "<!--->" are whole comments
                ++m_pos;
                m_state = State::Data;
                return false;
            }
            if (c == u'-') {
                ++m_pos;
                m_state = m_state == State::CommentStart ? State::CommentStartDash : State::CommentEnd;
                return false;
            }
            m_state = State::Comment;
            continue;
        case State::Comment:
            skipTo(u'-');
            if (m_pos < m_text.size()) {
                ++m_pos;
                m_state = State::CommentEndDash;
            }
            return false;
        case State::CommentEndDash:
            if (c == u'-') {
                ++m_pos;
                m_state = State::CommentEnd;
                return false;
            }
            m_state = State::Comment;
            continue;
        case State::CommentEnd:
            if (c == u'>') { // "-->"
                m_state = State::Data;
            } else if (c == u'!') {
                m_state = State::CommentEndBang;
            } else if (c != u'-') {
                m_state = State::Comment;
                continue;
            }
            ++m_pos;
            return false;
        case State::CommentEndBang:
            if (c == u'>') { // "--!>"
                m_state = State::Data;
            } else if (c == u'-') {
                m_state = State::CommentEndDash;
            } else {
                m_state = State::Comment;
                continue;
            }
            ++m_pos;
            return false;
        case State::RawText:
            skipTo(u'<');
            if (m_pos < m_text.size()) {
                if (endTagAt(m_pos))
                    openEndTag(m_pos);
                else
                    ++m_pos;
            }
            return false;
        case State::ScriptData:
            skipTo(u'<');
            if (m_pos == m_text.size())
                return false;
            if (scriptTagAt(m_pos, true)) {
                openEndTag(m_pos);
            } else if (m_text.sliced(m_pos).startsWith(u"<!--")) {
                m_pos += 4;
                m_state = State::ScriptDataEscapedDashDash;
            } else {
                ++m_pos;
            }
            return false;
        case State::ScriptDataEscaped:
        case State::ScriptDataEscapedDash:
        case State::ScriptDataEscapedDashDash:
            if (c == u'<') {
                if (scriptTagAt(m_pos, true)) {
                    openEndTag(m_pos);
                    return false;
                }
                if (scriptTagAt(m_pos, false)) { // "<!--<script>": "</script>" no longer ends the script
                    m_pos += 8;
                    m_state = State::ScriptDataDoubleEscaped;
                    return false;
                }
                m_state = State::ScriptDataEscaped;
            } else if (c == u'-') {
                m_state = m_state == State::ScriptDataEscaped ? State::ScriptDataEscapedDash
                                                              : State::ScriptDataEscapedDashDash;
            } else if (c == u'>' && m_state == State::ScriptDataEscapedDashDash) { // "-->"
                m_state = State::ScriptData;
            } else {
                m_state = State::ScriptDataEscaped;
            }
            ++m_pos;
            return false;
        case State::ScriptDataDoubleEscaped:
        case State::ScriptDataDoubleEscapedDash:
        case State::ScriptDataDoubleEscapedDashDash:
            if (c == u'<') {
                if (scriptTagAt(m_pos, true)) { // back to the escaped script
                    m_pos += 9;
                    m_state = State::ScriptDataEscaped;
                    return false;
                }
                m_state = State::ScriptDataDoubleEscaped;
            } else if (c == u'-') {
                m_state = m_state == State::ScriptDataDoubleEscaped ? State::ScriptDataDoubleEscapedDash
                                                                    : State::ScriptDataDoubleEscapedDashDash;
            } else if (c == u'>' && m_state == State::ScriptDataDoubleEscapedDashDash) { // "-->"
                m_state = State::ScriptData;
            } else {
                m_state = State::ScriptDataDoubleEscaped;
            }
            ++m_pos;
            return false;
        case State::Plaintext:
            m_pos = m_text.size();
            return false;
        }
        return false;
    }
}

} // namespace quillon
