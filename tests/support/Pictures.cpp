#include "tests/support/Pictures.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

namespace quillon::test {

namespace {

void le16(QByteArray& b, quint32 v)
{
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}
void le32(QByteArray& b, quint32 v)
{
    le16(b, v & 0xffff);
    le16(b, v >> 16);
}
void be16(QByteArray& b, quint32 v)
{
    b.append(char((v >> 8) & 0xff));
    b.append(char(v & 0xff));
}
void be32(QByteArray& b, quint32 v)
{
    be16(b, v >> 16);
    be16(b, v & 0xffff);
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
    le16(b, width);
    le16(b, height);
    b.append("\x80\0\0", 3); // a global table of two colours
    b.append("\xc8\x50\x28\xff\xff\xff", 6);
    b.append(',');
    le32(b, 0); // at the top left
    le16(b, width);
    le16(b, height);
    b.append('\0');

    constexpr int clear = 4, end = 5;
    QByteArray codes;
    quint32 pending = 0;
    int bits = 0;
    const auto put = [&](quint32 code) {
        pending |= code << bits;
        for (bits += 3; bits >= 8; bits -= 8, pending >>= 8)
            codes.append(char(pending & 0xff));
    };
    for (qint64 i = 0; i < qint64(width) * height; ++i) {
        if (i % 2 == 0)
            put(clear);
        put(i % 3 == 0 ? 1 : 0);
    }
    put(end);
    if (bits > 0)
        codes.append(char(pending & 0xff));

    b.append(char(2)); // the smallest LZW code size
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        b.append(char(block.size()));
        b.append(block);
    }
    b.append('\0');
    b.append(';');
    return b;
}

// An icon of type 2 is a cursor; its hot spot sits where an icon has planes and bit count.
QByteArray cur(int width, int height)
{
    QByteArray b = written(width, height, "ico");
    b[2] = 2;
    b.replace(10, 4, QByteArray(4, '\0'));
    return b;
}

// A placeable header, then a metafile that sets its window and ends. 1440 units
// per inch (15 to a pixel) while the box fits into 16 bits, one to a pixel beyond.
QByteArray wmf(int width, int height)
{
    const int perPixel = qMax(width, height) * 15 <= 32767 ? 15 : 1;
    QByteArray b;
    le32(b, 0x9AC6CDD7);
    le16(b, 0); // no handle
    le32(b, 0); // left, top
    le16(b, width * perPixel);
    le16(b, height * perPixel);
    le16(b, perPixel * 96);
    le32(b, 0);
    quint16 checksum = 0;
    for (int at = 0; at < 20; at += 2)
        checksum ^= quint8(b[at]) | quint8(b[at + 1]) << 8;
    le16(b, checksum);

    le16(b, 1); // in memory
    le16(b, 9); // header words
    le16(b, 0x0300);
    le32(b, 9 + 5 + 5 + 3); // words in the whole metafile
    le16(b, 0); // objects
    le32(b, 5); // largest record
    le16(b, 0);
    const auto record = [&](quint16 function, int y, int x) {
        le32(b, 5);
        le16(b, function);
        le16(b, y);
        le16(b, x);
    };
    record(0x020B, 0, 0); // SETWINDOWORG
    record(0x020C, height * perPixel, width * perPixel); // SETWINDOWEXT
    le32(b, 3); // EOF
    le16(b, 0);
    return b;
}

// The header record with its frame in hundredths of a millimetre at 96 pixels per
// inch, then the end-of-file record.
QByteArray emf(int width, int height)
{
    const auto frame = [](int pixels) { return quint32(qRound(pixels * 2540.0 / 96)); };
    QByteArray b;
    le32(b, 1); // EMR_HEADER
    le32(b, 88);
    for (quint32 v : { 0u, 0u, quint32(width - 1), quint32(height - 1) }) // bounds, in device pixels
        le32(b, v);
    for (quint32 v : { 0u, 0u, frame(width), frame(height) })
        le32(b, v);
    le32(b, 0x464D4520); // " EMF"
    le32(b, 0x10000);
    le32(b, 88 + 20); // bytes
    le32(b, 2); // records
    le16(b, 1); // handles
    le16(b, 0);
    for (quint32 v : { 0u, 0u, 0u, 1024u, 768u, 320u, 240u }) // no description, no palette, device size
        le32(b, v);
    for (quint32 v : { 14u, 20u, 0u, 16u, 20u }) // EMR_EOF
        le32(b, v);
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
    if (format == QLatin1String("gif"))
        return gif(width, height);
    if (format == QLatin1String("cur"))
        return cur(width, height);
    if (format == QLatin1String("wmf"))
        return wmf(width, height);
    if (format == QLatin1String("emf"))
        return emf(width, height);
    if (format == QLatin1String("svg"))
        return svg(width, height);
    return written(width, height, format.toLatin1().constData());
}

QByteArray makeJpegWithOrientation(int width, int height, int orientation)
{
    // "Exif", a big-endian TIFF header and one directory holding only the orientation.
    QByteArray exif("Exif\0\0MM", 8);
    be16(exif, 42);
    be32(exif, 8); // the directory follows the TIFF header
    be16(exif, 1); // one entry
    be16(exif, 0x0112); // orientation
    be16(exif, 3); // SHORT
    be32(exif, 1);
    be16(exif, orientation);
    be16(exif, 0);
    be32(exif, 0); // no further directory

    QByteArray app1("\xff\xe1");
    be16(app1, exif.size() + 2);
    app1 += exif;
    const QByteArray jpeg = written(width, height, "jpg");
    return jpeg.left(2) + app1 + jpeg.mid(2); // right after SOI, as cameras place it
}

} // namespace quillon::test

namespace quillon::test {

QByteArray isoBox(const char* type, const QByteArray& payload)
{
    QByteArray b;
    be32(b, quint32(8 + payload.size()));
    b.append(type, 4);
    return b + payload;
}

QByteArray isoFullBox(const char* type, int version, quint32 flags, const QByteArray& payload)
{
    QByteArray head;
    be32(head, quint32(version) << 24 | (flags & 0xffffff));
    return isoBox(type, head + payload);
}

QByteArray makeAvif(const AvifParts& parts)
{
    QByteArray ftyp(parts.brand, 4);
    be32(ftyp, 0);
    ftyp += QByteArray("mif1miaf");

    QByteArray pitm;
    be16(pitm, 1);
    QByteArray ispe;
    be32(ispe, quint32(parts.width));
    be32(ispe, quint32(parts.height));
    // A size for another item first, so that only the primary item's counts.
    QByteArray otherIspe;
    be32(otherIspe, 7);
    be32(otherIspe, 5);
    QByteArray ipco = isoFullBox("ispe", 0, 0, otherIspe) + isoFullBox("ispe", 0, 0, ispe);
    QByteArray associations;
    be32(associations, 2); // entries
    be16(associations, 2); // item 2: the other size
    associations += QByteArray("\x01\x81", 2);
    be16(associations, 1); // item 1, the primary one
    if (parts.rotation >= 0) {
        ipco += isoBox("irot", QByteArray(1, char(parts.rotation)));
        associations += QByteArray("\x02\x82\x03", 3);
    } else {
        associations += QByteArray("\x01\x82", 2);
    }
    const QByteArray iprp = isoBox("iprp", isoBox("ipco", ipco) + isoFullBox("ipma", 0, 0, associations));
    const QByteArray meta = isoFullBox("meta", 0, 0, isoFullBox("pitm", 0, 0, pitm) + iprp);
    return isoBox("ftyp", ftyp) + meta + isoBox("mdat", QByteArray(parts.dataBytes, '\x5a'));
}

} // namespace quillon::test
