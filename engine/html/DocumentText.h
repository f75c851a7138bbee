#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace quillon {

// A document's bytes as code units that the tag scanner reads, and the way back.
// For single-byte and UTF-8 documents each unit is one byte; for UTF-16 documents
// (with a byte order mark) each unit is one UTF-16 code unit. Decoding and
// encoding again gives back every byte, whatever the bytes are.
class DocumentText {
public:
    enum class Encoding { Utf8, Windows1252, Utf16LE, Utf16BE };

    static DocumentText decode(const QByteArray& bytes);

    Encoding encoding() const { return m_encoding; }
    QStringView units() const { return m_units; }

    // What a run of units means as text (to read an attribute value).
    QString toText(QStringView units) const;
    // The units that put text into this document: UTF-8 bytes in a UTF-8 document;
    // Windows-1252 bytes otherwise, with characters outside it as numeric references.
    QString toUnits(const QString& text) const;
    // The document's bytes for units (which came from units() and toUnits()).
    QByteArray encode(const QString& units) const;
    // The bytes of units that go inside the document, without the byte order
    // mark or odd last byte a whole UTF-16 document carries.
    QByteArray encodeUnits(QStringView units) const;
    // Where the unit at index (or the end, at units().size()) starts among the
    // document's bytes.
    qsizetype byteOffset(qsizetype index) const;

private:
    Encoding m_encoding = Encoding::Utf8;
    QString m_units;
    QByteArray m_prefix; // a UTF-16 byte order mark
    QByteArray m_tail; // a last odd byte of a UTF-16 document
};

} // namespace quillon
