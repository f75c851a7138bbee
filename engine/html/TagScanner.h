#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <optional>
#include <span>

namespace quillon {

// One attribute of a tag, as offsets into the scanned text.
struct TagAttribute {
    qsizetype nameStart = 0;
    qsizetype nameEnd = 0; // one past the name
    qsizetype valueStart = -1; // first character of the value, quotes included; -1 without a value
    qsizetype valueEnd = -1; // one past the value, quotes included
    QChar quote; // '"', '\'' or null for an unquoted value

    bool hasValue() const { return valueStart >= 0; }
};

// A tag of an element the scanner looks for: its "<", its name, its
// attributes and the first ">" outside a quoted attribute value.
struct ImgTag {
    qsizetype element = 0; // which of the scanner's elements it is: the index of its name
    bool endTag = false; // "</name>", found only when the scanner is asked for end tags
    qsizetype start = 0; // the "<"
    qsizetype end = 0; // the closing ">"
    qsizetype insertAt = 0; // where new attributes go: before the ">", or before the "/" of "/>"
    bool blankAfterInsert = false; // new attributes go right before a name, and need a blank after them
    QList<TagAttribute> attributes;

    // The first attribute named name (given in lower case; compared in ASCII letter case only).
    const TagAttribute* find(QStringView text, QStringView name) const;
    // The attribute's value without its quotes; empty when it has none.
    static QStringView value(QStringView text, const TagAttribute& attribute);
};

// Finds the start tags of one element (img unless told otherwise), or the tags
// of several, in document order, where a browser finds them: not in comments,
// not in the text of script, style, textarea, title and the other elements whose
// content is not markup, not inside another tag's attribute values. A construct that is not
// closed before the end of the text (a tag without its ">", a comment without
// its "-->", a script without its end tag) runs to the end, as it does in a
// browser, and hides whatever follows it. The text is read once from its start
// to its end; nothing but the tag in hand is kept.
class TagScanner {
public:
    // element: the tag name looked for, in lower case; it must outlive the scanner (a literal, say).
    explicit TagScanner(QStringView text, QStringView element = u"img")
        : m_text(text)
        , m_elements { element }
    {
    }
    // Several elements in one reading, with their end tags when withEndTags: each
    // tag found tells which element it is (ImgTag::element) and whether it ends it.
    TagScanner(QStringView text, std::span<const QStringView> elements, bool withEndTags)
        : m_text(text)
        , m_elements(elements.begin(), elements.end())
        , m_withEndTags(withEndTags)
    {
    }

    // The next complete tag, or nothing at the end of the text.
    std::optional<ImgTag> next();

private:
    // The states of the HTML tokenizer that decide where markup is.
    enum class State : quint8 {
        Data,
        TagOpen, // after "<"
        EndTagOpen, // after "</"
        TagName,
        BeforeAttributeName,
        AttributeName,
        AfterAttributeName,
        BeforeAttributeValue,
        AttributeValueDoubleQuoted,
        AttributeValueSingleQuoted,
        AttributeValueUnquoted,
        AfterAttributeValueQuoted,
        SelfClosingStartTag,
        BogusComment, // "<!x", "<?x", "</1": up to the first ">"
        CommentStart, // after "<!--"
        CommentStartDash,
        Comment,
        CommentEndDash,
        CommentEnd,
        CommentEndBang,
        RawText, // RAWTEXT and RCDATA alike: only the element's own end tag ends it
        ScriptData,
        ScriptDataEscaped, // after "<!--" inside a script
        ScriptDataEscapedDash,
        ScriptDataEscapedDashDash,
        ScriptDataDoubleEscaped, // after "<!--<script" inside a script
        ScriptDataDoubleEscapedDash,
        ScriptDataDoubleEscapedDashDash,
        Plaintext,
    };

    bool step();
    void beginTag(qsizetype lessThan, bool endTag);
    void endTagName();
    bool finishTag(qsizetype greaterThan, qsizetype insertAt, bool blankAfterInsert);
    void finishAttribute();
    bool endTagAt(qsizetype i) const;
    bool scriptTagAt(qsizetype i, bool endTag) const;
    void openEndTag(qsizetype lessThan);
    void skipTo(char16_t unit);

    QStringView m_text;
    QVarLengthArray<QStringView, 4> m_elements;
    bool m_withEndTags = false;
    qsizetype m_pos = 0;
    State m_state = State::Data;

    // The tag being read.
    qsizetype m_tagStart = 0;
    qsizetype m_nameStart = 0;
    qsizetype m_nameEnd = 0;
    bool m_endTag = false;
    bool m_wanted = false; // a tag of one of m_elements: its attributes are kept
    qsizetype m_slash = -1; // the "/" of a self-closing tag, while it may still be one
    ImgTag m_tag;
    TagAttribute m_attribute;
    // The element whose text runs until its end tag (script, style, ...).
    QStringView m_rawElement;
};

// True for the blanks that separate attributes: space, tab, CR, LF and FF.
inline bool isHtmlBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\f';
}

} // namespace quillon
