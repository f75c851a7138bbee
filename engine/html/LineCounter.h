#pragma once

#include "engine/html/DocumentText.h"

#include <QStringView>

namespace quillon {

// Where something stands in a page, as an editor shows it: 1-based line and
// column, the column counted in characters. 0 and 0 for the page as a whole.
struct TextPosition {
    int line = 0;
    int column = 0;

    friend bool operator==(const TextPosition&, const TextPosition&) = default;
};

// Turns unit offsets into lines and columns, reading the units once: each call
// goes on from where the last one stopped, so offsets must not go back. A line
// ends at LF, CR LF or a lone CR; a character is one unit, or in UTF-8 a lead
// byte with its continuation bytes, or in UTF-16 a surrogate pair. A UTF-8 byte
// order mark is no character.
class LineCounter {
public:
    LineCounter(QStringView units, DocumentText::Encoding encoding);

    TextPosition at(qsizetype offset);

private:
    bool startsCharacter(QChar unit) const;

    QStringView m_units;
    DocumentText::Encoding m_encoding;
    qsizetype m_offset = 0;
    TextPosition m_position { 1, 1 };
};

} // namespace quillon
