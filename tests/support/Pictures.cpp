#include "tests/support/Pictures.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QImageWriter>

#include <initializer_list>
#include <vector>

namespace quillon::test {

namespace {

// Each value in n bytes, the least significant first, or the most with big.
template <int n, bool big = false> void put(QByteArray& b, std::initializer_list<qint64> values)
{
    for (const qint64 v : values) {
        for (int i = 0; i < n; ++i)
            b.append(char(v >> 8 * (big ? n - 1 - i : i)));
    }
}

QByteArray written(int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 80, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

// Qt writes no GIF. Two colours, and an LZW stream that clears its table every
// two pixels, so every code stays three bits wide and no encoder is needed.
QByteArray gif(int width, int height)
{
    QByteArray b("GIF89a");
    put<2>(b, { width, height });
    b.append("\x80\0\0\xc8\x50\x28\xff\xff\xff,", 10); // a global table of two colours, then the picture
    put<2>(b, { 0, 0, width, height }); // at the top left
    b.append('\0');

    constexpr int clear = 4, end = 5;
    QByteArray codes;
    quint32 pending = 0;
    int bits = 0;
    const auto code = [&](quint32 c) {
        pending |= c << bits;
        for (bits += 3; bits >= 8; bits -= 8, pending >>= 8)
            codes.append(char(pending & 0xff));
    };
    for (qint64 i = 0; i < qint64(width) * height; ++i) {
        if (i % 2 == 0)
            code(clear);
        code(i % 3 == 0 ? 1 : 0);
    }
    code(end);
    if (bits > 0)
        codes.append(char(pending & 0xff));

    b.append(char(2)); // the smallest LZW code size
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        b.append(char(block.size())).append(block);
    }
    return b.append("\0;", 2);
}

// An icon of type 2 is a cursor; its hot spot sits where an icon has planes and bit count.
QByteArray cur(int width, int height)
{
    QByteArray b = written(width, height, "ico");
    b[2] = 2;
    return b.replace(10, 4, QByteArray(4, '\0'));
}

// A placeable header, then a metafile that only ends. 1440 units per inch (15 to
// a pixel) while the box fits into 16 bits, one to a pixel beyond.
QByteArray wmf(int width, int height)
{
    const int perPixel = qMax(width, height) * 15 <= 32767 ? 15 : 1;
    QByteArray b;
    put<4>(b, { 0x9AC6CDD7 });
    // No handle; left, top, right, bottom; units per inch; reserved.
    put<2>(b, { 0, 0, 0, width * perPixel, height * perPixel, perPixel * 96, 0, 0 });
    quint16 checksum = 0;
    for (int at = 0; at < 20; at += 2)
        checksum ^= quint8(b[at]) | quint8(b[at + 1]) << 8;
    // The header in 16-bit words: in memory, its length, the version, 12 words in
    // all, no objects, 3 words the largest record, none; then the EOF record.
    put<2>(b, { checksum, 1, 9, 0x0300, 12, 0, 0, 3, 0, 0, 3, 0, 0 });
    return b;
}

// The header record with its frame in hundredths of a millimetre at 96 pixels per
// inch, then the end-of-file record.
QByteArray emf(int width, int height)
{
    const auto frame = [](int pixels) { return qint64(qRound(pixels * 2540.0 / 96)); };
    QByteArray b;
    put<4>(b, { 1, 88 }); // EMR_HEADER
    put<4>(b, { 0, 0, width - 1, height - 1, 0, 0, frame(width), frame(height) }); // bounds, frame
    put<4>(b, { 0x464D4520, 0x10000, 88 + 20, 2 }); // " EMF", version, bytes, records
    put<2>(b, { 1, 0 }); // handles
    put<4>(b, { 0, 0, 0, 1024, 768, 320, 240 }); // no description, no palette, device size
    put<4>(b, { 14, 20, 0, 16, 20 }); // EMR_EOF
    return b;
}

QByteArray svg(int width, int height)
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                          "viewBox=\"0 0 %1 %2\"><rect width=\"%1\" height=\"%2\" fill=\"#c85028\"/></svg>\n")
        .arg(width)
        .arg(height)
        .toUtf8();
}

} // namespace

QByteArray makePicture(const QString& format, int width, int height)
{
    static const QHash<QString, QByteArray (*)(int, int)> own { { QStringLiteral("gif"), gif },
        { QStringLiteral("cur"), cur }, { QStringLiteral("wmf"), wmf }, { QStringLiteral("emf"), emf },
        { QStringLiteral("svg"), svg } };
    if (const auto make = own.value(format))
        return make(width, height);
    return written(width, height, format.toLatin1().constData());
}

QByteArray makeExif(const ExifTags& t)
{
    struct Tag {
        qint64 tag, type, value; // a SHORT (3), LONG (4) or RATIONAL (5) of value over 1
    };
    std::vector<Tag> first, exif;
    const auto add = [](std::vector<Tag>& to, bool given, Tag tag) {
        if (given)
            to.push_back(tag);
    };
    add(first, t.width > 0, { 256, 4, t.width });
    add(first, t.height > 0, { 257, 4, t.height });
    add(first, t.orientation > 0, { 0x0112, 3, t.orientation });
    add(first, t.resolutionX >= 0, { 0x011a, 5, t.resolutionX });
    add(first, t.resolutionY >= 0, { 0x011b, 5, t.resolutionY });
    add(first, t.unit >= 0, { 0x0128, 3, t.unit });
    add(exif, t.pixelX >= 0, { 0xa002, 4, t.pixelX });
    add(exif, t.pixelY >= 0, { 0xa003, 3, t.pixelY });
    add(first, !exif.empty(), { 0x8769, 4, 0 });
    // The header, the first directory, its rationals, then the EXIF directory.
    const qint64 rationalsAt = 8 + 2 + 12 * qint64(first.size()) + 4;
    const qint64 exifAt = rationalsAt + 8 * ((t.resolutionX >= 0) + (t.resolutionY >= 0));
    QByteArray b("MM"), rationals;
    put<2, true>(b, { 42 });
    put<4, true>(b, { 8 });
    const auto directory = [&](const std::vector<Tag>& tags) {
        put<2, true>(b, { qint64(tags.size()) });
        for (const Tag& tag : tags) {
            put<2, true>(b, { tag.tag, tag.type });
            put<4, true>(b, { 1 });
            if (tag.type == 3) {
                put<2, true>(b, { tag.value, 0 });
            } else if (tag.type == 5) {
                put<4, true>(b, { rationalsAt + rationals.size() });
                put<4, true>(rationals, { tag.value, 1 });
            } else {
                put<4, true>(b, { tag.tag == 0x8769 ? exifAt : tag.value });
            }
        }
        put<4, true>(b, { 0 });
    };
    directory(first);
    b += rationals;
    if (!exif.empty())
        directory(exif);
    return b;
}

QByteArray makeJpegWithExif(int width, int height, const QByteArray& exif)
{
    QByteArray app1("\xff\xe1");
    put<2, true>(app1, { exif.size() + 8 });
    const QByteArray jpeg = written(width, height, "jpg");
    return jpeg.left(2) + app1 + QByteArray("Exif\0\0", 6) + exif
        + jpeg.mid(2); // right after SOI, as cameras place it
}

QByteArray makeJpegWithOrientation(int width, int height, int orientation)
{
    return makeJpegWithExif(width, height, makeExif({ .orientation = orientation }));
}

QByteArray isoBox(const char* type, const QByteArray& payload)
{
    QByteArray b;
    put<4, true>(b, { 8 + payload.size() });
    return b.append(type, 4) + payload;
}

QByteArray isoFullBox(const char* type, int version, quint32 flags, const QByteArray& payload)
{
    QByteArray head;
    put<4, true>(head, { qint64(version) << 24 | (flags & 0xffffff) });
    return isoBox(type, head + payload);
}

QByteArray makeAvif(const AvifParts& parts)
{
    QByteArray ftyp(parts.brand, 4);
    put<4, true>(ftyp, { 0 });
    ftyp += QByteArray("mif1miaf");

    QByteArray pitm, ispe, otherIspe, associations;
    put<2, true>(pitm, { 1 });
    put<4, true>(ispe, { parts.width, parts.height });
    put<4, true>(otherIspe, { 7, 5 });
    // A size for another item first, so that only the primary item's counts.
    QByteArray ipco = isoFullBox("ispe", 0, 0, otherIspe) + isoFullBox("ispe", 0, 0, ispe);
    put<4, true>(associations, { 2 }); // entries
    put<2, true>(associations, { 2 }); // item 2: the other size
    associations += QByteArray("\x01\x81", 2);
    put<2, true>(associations, { 1 }); // item 1, the primary one
    if (parts.rotation >= 0) {
        ipco += isoBox("irot", QByteArray(1, char(parts.rotation)));
        associations += QByteArray("\x02\x82\x03", 3);
    } else {
        associations += QByteArray("\x01\x82", 2);
    }
    const QByteArray iprp = isoBox("iprp", isoBox("ipco", ipco) + isoFullBox("ipma", 0, 0, associations));
    const QByteArray free
        = parts.metaPadding >= 0 ? isoBox("free", QByteArray(parts.metaPadding, 0)) : QByteArray();
    const QByteArray meta = isoFullBox("meta", 0, 0, isoFullBox("pitm", 0, 0, pitm) + iprp + free);
    return isoBox("ftyp", ftyp) + meta + isoBox("mdat", QByteArray(parts.dataBytes, '\x5a'));
}

} // namespace quillon::test
