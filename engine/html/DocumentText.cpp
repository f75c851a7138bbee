#include "engine/html/DocumentText.h"

#include <QByteArrayView>
#include <QList>

namespace quillon {

namespace {

// The characters Windows-1252 puts at 0x80..0x9F (0 where it has none).
constexpr char16_t kCp1252High[32] = {
    0x20AC,
    0,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0,
    0x017D,
    0,
    0,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0,
    0x017E,
    0x0178,
};

int cp1252ByteFor(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] != 0 && kCp1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

DocumentText DocumentText::decode(const QByteArray& bytes)
{
    DocumentText doc;
    const bool le = bytes.startsWith("\xFF\xFE");
    const bool be = bytes.startsWith("\xFE\xFF");
    if (le || be) {
        doc.m_encoding = le ? Encoding::Utf16LE : Encoding::Utf16BE;
        doc.m_prefix = bytes.left(2);
        const qsizetype count = (bytes.size() - 2) / 2;
        doc.m_units.resize(count);
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + 2;
        char16_t* out = reinterpret_cast<char16_t*>(doc.m_units.data());
        for (qsizetype i = 0; i < count; ++i, p += 2)
            out[i] = le ? char16_t(p[0] | (p[1] << 8)) : char16_t((p[0] << 8) | p[1]);
        if ((bytes.size() - 2) % 2)
            doc.m_tail = bytes.right(1);
        return doc;
    }
    doc.m_encoding = QByteArrayView(bytes).isValidUtf8() ? Encoding::Utf8 : Encoding::Windows1252;
    doc.m_units = QString::fromLatin1(bytes);
    return doc;
}

QString DocumentText::toText(QStringView units) const
{
    switch (m_encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return units.toString();
    case Encoding::Utf8:
        return QString::fromUtf8(units.toLatin1());
    case Encoding::Windows1252: {
        QString text = units.toString();
        for (QChar& c : text) {
            const char16_t u = c.unicode();
            if (u >= 0x80 && u <= 0x9F && kCp1252High[u - 0x80] != 0)
                c = QChar(kCp1252High[u - 0x80]);
        }
        return text;
    }
    }
    return units.toString();
}

QString DocumentText::toUnits(const QString& text) const
{
    switch (m_encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return text;
    case Encoding::Utf8:
        return QString::fromLatin1(text.toUtf8());
    case Encoding::Windows1252: {
        QString units;
        for (const char32_t c : text.toUcs4()) {
            const int byte = cp1252ByteFor(c);
            if (byte >= 0)
                units += QChar(char16_t(byte));
            else
                units += QStringLiteral("&#%1;").arg(static_cast<uint>(c));
        }
        return units;
    }
    }
    return text;
}

QByteArray DocumentText::encode(const QString& units) const
{
    if (m_encoding == Encoding::Utf8 || m_encoding == Encoding::Windows1252)
        return units.toLatin1();
    QByteArray bytes;
    bytes.reserve(m_prefix.size() + units.size() * 2 + m_tail.size());
    bytes.append(m_prefix);
    bytes.append(encodeUnits(units));
    bytes.append(m_tail);
    return bytes;
}

QByteArray DocumentText::encodeUnits(QStringView units) const
{
    switch (m_encoding) {
    case Encoding::Utf8:
    case Encoding::Windows1252:
        return units.toLatin1();
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        QByteArray bytes(units.size() * 2, Qt::Uninitialized);
        char* out = bytes.data();
        const bool le = m_encoding == Encoding::Utf16LE;
        for (const QChar c : units) {
            const char lo = char(c.unicode() & 0xFF);
            const char hi = char(c.unicode() >> 8);
            *out++ = le ? lo : hi;
            *out++ = le ? hi : lo;
        }
        return bytes;
    }
    }
    return {};
}

qsizetype DocumentText::byteOffset(qsizetype index) const
{
    if (m_encoding == Encoding::Utf16LE || m_encoding == Encoding::Utf16BE)
        return m_prefix.size() + 2 * index;
    return index;
}

} // namespace quillon
