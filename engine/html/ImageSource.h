#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace quillon {

// What an image tag's SRC value names, taken as a browser takes it.
struct ImageSource {
    enum class Kind {
        Local, // a file relative to the document's folder
        Remote, // fetched over http, https or ftp
        Data, // a data: URI that carries the picture itself
        Template, // a path that a template system fills in later ({{ site.logo }}, <?php ... ?>)
    };

    Kind kind = Kind::Local;
    // What the report's Image column shows: the value as written, with "/" turned
    // into the native separator for a local picture and "\" into "/" for a remote one.
    QString shown;
    // Local: the decoded path (references and %-escapes decoded, ?query and
    // #fragment dropped). Remote: the address to fetch.
    QString target;
    // Data: the picture's bytes.
    QByteArray data;
    // Data: false when the URI could not be decoded.
    bool dataValid = true;
};

// Classifies a SRC value (as written, still with its character references).
ImageSource classifyImageSource(const QString& value);

// Replaces the character references of an attribute value (&amp; &#38; &#x26; …)
// with the characters they stand for. Unknown references stay as written.
QString decodeCharacterReferences(QStringView text);

// Escapes text for a double-quoted attribute value: "&" as &amp; and the double quote as &quot;.
QString escapeAttributeValue(const QString& text);

// Escapes text for a double-quoted attribute value of an XML page: "&", "<", ">"
// and the double quote as references.
QString escapeXmlAttributeValue(const QString& text);

} // namespace quillon
