#include "engine/html/LineCounter.h"

namespace quillon {

LineCounter::LineCounter(QStringView units, DocumentText::Encoding encoding)
    : m_units(units)
    , m_encoding(encoding)
{
    if (encoding == DocumentText::Encoding::Utf8 && units.startsWith(u"\u00EF\u00BB\u00BF"))
        m_offset = 3;
}

bool LineCounter::startsCharacter(QChar unit) const
{
    switch (m_encoding) {
    case DocumentText::Encoding::Utf8:
        return (unit.unicode() & 0xC0) != 0x80;
    case DocumentText::Encoding::Utf16LE:
    case DocumentText::Encoding::Utf16BE:
        return !unit.isLowSurrogate();
    case DocumentText::Encoding::Windows1252:
        break;
    }
    return true;
}

TextPosition LineCounter::at(qsizetype offset)
{
    for (; m_offset < offset && m_offset < m_units.size(); ++m_offset) {
        const QChar unit = m_units[m_offset];
        const bool crBeforeLf
            = unit == u'\r' && m_offset + 1 < m_units.size() && m_units[m_offset + 1] == u'\n';
        if ((unit == u'\n' || unit == u'\r') && !crBeforeLf)
            m_position = TextPosition { m_position.line + 1, 1 };
        else if (startsCharacter(unit) && !crBeforeLf)
            ++m_position.column;
    }
    return m_position;
}

} // namespace quillon
