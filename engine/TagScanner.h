#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace quillon {

// One attribute of a tag, as offsets into the scanned text.
struct TagAttribute {
    qsizetype nameStart = 0;
    qsizetype nameEnd = 0;   // one past the name
    qsizetype valueStart = -1; // first character of the value, quotes included; -1 without a value
    qsizetype valueEnd = -1;   // one past the value, quotes included
    QChar quote;               // '"', '\'' or null for an unquoted value

    bool hasValue() const { return valueStart >= 0; }
};

// An image tag: "<img" in any letter case followed by a blank, "/" or ">", up
// to the first ">" outside a quoted attribute value.
struct ImgTag {
    qsizetype start = 0;       // the "<"
    qsizetype end = 0;         // the closing ">"
    qsizetype insertAt = 0;    // where new attributes go: before the ">", or before the "/" of "/>"
    bool blankAfterInsert = false; // new attributes go right before a name, and need a blank after them
    QList<TagAttribute> attributes;

    // The first attribute named name (compared without regard to letter case).
    const TagAttribute* find(QStringView text, QStringView name) const;
    // The attribute's value without its quotes; empty when it has none.
    static QStringView value(QStringView text, const TagAttribute& attribute);
};

// Finds the image tags of a text in document order, each exactly once. Tags are
// found wherever they stand, in comments and scripts too. A tag without an end
// is not reported, and the search goes on after its "<img". However many tags
// have no end, the time taken grows with the length of the text only.
class TagScanner {
public:
    explicit TagScanner(QStringView text) : m_text(text) {}

    // The next complete tag, or nothing at the end of the text.
    std::optional<ImgTag> next();
    // Where the next search starts.
    qsizetype position() const { return m_pos; }

private:
    bool opensTag(qsizetype i) const;
    qsizetype findTagStart(qsizetype from) const;
    std::optional<ImgTag> parseTag(qsizetype start) const;
    void markStartsWithoutEnd(qsizetype from);

    QStringView m_text;
    qsizetype m_pos = 0;
    // From m_endlessFrom on, the tag starts known to have no end (one flag a unit).
    qsizetype m_endlessFrom = -1;
    std::vector<bool> m_endless;
};

// True for the blanks that separate attributes: space, tab, CR, LF and FF.
inline bool isHtmlBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\f';
}

} // namespace quillon
