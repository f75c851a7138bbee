#include "engine/html/ImageSource.h"

#include "platform/Paths.h"

namespace quillon {

namespace {

struct NamedReference {
    const char16_t* name;
    char16_t character;
};

// The references people write in addresses and ALT texts; the rest stay as written.
constexpr NamedReference kNamedReferences[] = {
    { u"amp", u'&' },
    { u"lt", u'<' },
    { u"gt", u'>' },
    { u"quot", u'"' },
    { u"apos", u'\'' },
    { u"nbsp", 0x00A0 },
    { u"copy", 0x00A9 },
    { u"reg", 0x00AE },
};

bool startsWithIgnoringCase(QStringView text, QStringView prefix)
{
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

QString stripQueryAndFragment(const QString& value)
{
    qsizetype cut = value.size();
    const qsizetype query = value.indexOf(u'?');
    const qsizetype fragment = value.indexOf(u'#');
    if (query >= 0)
        cut = std::min(cut, query);
    if (fragment >= 0)
        cut = std::min(cut, fragment);
    return value.left(cut);
}

QByteArray decodeDataUri(const QString& uri, bool* ok)
{
    const qsizetype comma = uri.indexOf(u',');
    if (comma < 0) {
        *ok = false;
        return {};
    }
    const QStringView header = QStringView(uri).sliced(5, comma - 5);
    const QByteArray payload = QByteArray::fromPercentEncoding(uri.mid(comma + 1).toUtf8());
    if (header.endsWith(u";base64", Qt::CaseInsensitive)) {
        auto decoded = QByteArray::fromBase64Encoding(
            payload.simplified().replace(' ', ""), QByteArray::AbortOnBase64DecodingErrors);
        *ok = static_cast<bool>(decoded);
        return decoded ? *decoded : QByteArray();
    }
    *ok = true;
    return payload;
}

} // namespace

QString decodeCharacterReferences(QStringView text)
{
    if (!text.contains(u'&'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        const qsizetype semicolon = text.indexOf(u';', i + 1);
        if (semicolon > i + 1 && semicolon - i <= 12) {
            const QStringView name = text.sliced(i + 1, semicolon - i - 1);
            if (name.startsWith(u'#')) {
                bool ok = false;
                const uint code = (name.size() > 1 && (name[1] == u'x' || name[1] == u'X'))
                    ? name.sliced(2).toUInt(&ok, 16)
                    : name.sliced(1).toUInt(&ok, 10);
                if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
                    out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                    i = semicolon + 1;
                    continue;
                }
            } else {
                bool found = false;
                for (const NamedReference& reference : kNamedReferences) {
                    if (name == QStringView(reference.name)) {
                        out += QChar(reference.character);
                        found = true;
                        break;
                    }
                }
                if (found) {
                    i = semicolon + 1;
                    continue;
                }
            }
        }
        out += c;
        ++i;
    }
    return out;
}

QString escapeAttributeValue(const QString& text)
{
    QString out = text;
    out.replace(u'&', QStringLiteral("&amp;"));
    out.replace(u'"', QStringLiteral("&quot;"));
    return out;
}

QString escapeXmlAttributeValue(const QString& text)
{
    QString out = escapeAttributeValue(text);
    out.replace(u'<', QStringLiteral("&lt;"));
    out.replace(u'>', QStringLiteral("&gt;"));
    return out;
}

ImageSource classifyImageSource(const QString& value)
{
    ImageSource source;
    const QString decoded = decodeCharacterReferences(value).trimmed();

    // Jinja, Liquid, Django, Handlebars and Go templates, PHP, ERB and ASP, and
    // JavaScript template literals: the page is a template, and the picture is
    // only known once it is filled in.
    for (const char16_t* opening : { u"{{", u"{%", u"<?", u"<%", u"${" }) {
        if (decoded.contains(QStringView(opening))) {
            source.kind = ImageSource::Kind::Template;
            source.shown = value;
            return source;
        }
    }

    const bool protocolRelative = decoded.startsWith(QStringLiteral("//"));
    if (protocolRelative || startsWithIgnoringCase(decoded, u"http:")
        || startsWithIgnoringCase(decoded, u"https:") || startsWithIgnoringCase(decoded, u"ftp:")) {
        source.kind = ImageSource::Kind::Remote;
        source.shown = QString(value).replace(u'\\', u'/');
        QString address = decoded;
        address.replace(u'\\', u'/');
        const qsizetype fragment = address.indexOf(u'#');
        if (fragment >= 0)
            address.truncate(fragment);
        source.target = protocolRelative ? QStringLiteral("https:") + address : address;
        return source;
    }

    if (startsWithIgnoringCase(decoded, u"data:")) {
        source.kind = ImageSource::Kind::Data;
        source.shown = value;
        bool ok = false;
        source.data = decodeDataUri(decoded, &ok);
        source.dataValid = ok;
        return source;
    }

    source.kind = ImageSource::Kind::Local;
    source.shown = QString(value).replace(u'/', nativeSeparator());
    const QByteArray bytes = QByteArray::fromPercentEncoding(stripQueryAndFragment(decoded).toUtf8());
    source.target = QString::fromUtf8(bytes).replace(u'/', nativeSeparator());
    return source;
}

} // namespace quillon
