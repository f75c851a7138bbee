#include "engine/measure/CommonHeaders.h"

#include "engine/measure/ByteOrder.h"
#include "engine/measure/TiffTags.h"

#include <zlib.h>

namespace quillon {

namespace {

// The orientation mark of the EXIF data: 1 to 8, or 0 for none, read as Qt's
// JPEG reader reads it (the first mark in the first ten directories, never
// reading backwards).
int exifOrientation(QByteArrayView exif)
{
    if (!exif.startsWith(QByteArrayView("Exif\0\0", 6)))
        return 0;
    const std::optional<TiffTags> tags = TiffTags::fromExif(exif);
    if (!tags)
        return 0;
    qint64 position = 8; // where reading has got to
    quint32 offset = tags->firstDirectory();
    for (int directory = 0; directory < 10 && offset != 0 && offset >= position; ++directory) {
        const std::optional<TiffTags::Directory> read = tags->directory(offset);
        if (!read)
            return 0;
        if (const TiffTags::Entry* mark = read->find(0x0112)) {
            const std::optional<quint32> value = tags->number(mark, false);
            return value && *value >= 1 && *value <= 8 ? int(*value) : 0;
        }
        position = read->end;
        offset = read->next;
    }
    return 0;
}

bool crcMatches(QByteArrayView chunk, quint32 length)
{
    // The CRC covers the type and the data.
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data() + 4), 4 + length);
    return crc == bigEndianAt<quint32>(chunk, 8 + length);
}

// libpng's defaults: no side beyond a million pixels, and only the pairs of
// bit depth and colour type the format allows.
std::optional<PictureSize> pngSize(QByteArrayView head)
{
    if (head.size() < 8 + 25 || bigEndianAt<quint32>(head, 8) != 13 || head.sliced(12, 4) != "IHDR"
        || !crcMatches(head.sliced(8), 13))
        return std::nullopt;
    const quint32 width = bigEndianAt<quint32>(head, 16);
    const quint32 height = bigEndianAt<quint32>(head, 20);
    const int depth = quint8(head[24]);
    const int colour = quint8(head[25]);
    const bool depthFits
        = (colour == 0 && (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16))
        || (colour == 3 && (depth == 1 || depth == 2 || depth == 4 || depth == 8))
        || ((colour == 2 || colour == 4 || colour == 6) && (depth == 8 || depth == 16));
    if (width < 1 || height < 1 || width > 1000000 || height > 1000000 || !depthFits || head[26] != 0
        || head[27] != 0 || quint8(head[28]) > 1)
        return std::nullopt;
    QByteArrayView exif;
    // Qt's reader reads every chunk up to the first picture data.
    for (qsizetype at = 8 + 25; at + 8 <= head.size();) {
        const quint32 length = bigEndianAt<quint32>(head, at);
        const QByteArrayView type = head.sliced(at + 4, 4);
        if (length > 0x7fffffff)
            return std::nullopt;
        if (type == "IDAT")
            return TiffTags::exifDensityCorrected(exif, PictureSize { double(width), double(height) });
        // Another critical chunk than a palette, or one damaged, is left to Qt.
        const bool critical = (type[0] & 0x20) == 0;
        if (critical && type != "PLTE")
            return std::nullopt;
        if (at + 12 + qsizetype(length) > head.size() || (critical && !crcMatches(head.sliced(at), length)))
            return std::nullopt;
        // Only the first; one damaged is passed over, as libpng passes over any damaged ancillary chunk.
        if (type == "eXIf" && exif.isNull() && crcMatches(head.sliced(at), length))
            exif = head.sliced(at + 8, length);
        at += 12 + qsizetype(length);
    }
    return std::nullopt;
}

// The logical screen, once the first picture's descriptor is found.
std::optional<PictureSize> gifSize(QByteArrayView head)
{
    if (head.size() < 13)
        return std::nullopt;
    const int width = littleEndianAt<quint16>(head, 6);
    const int height = littleEndianAt<quint16>(head, 8);
    if (width == 0 || height == 0)
        return std::nullopt;
    qsizetype at = 13;
    if (head[10] & 0x80)
        at += 3 * (2 << (head[10] & 7));
    while (at < head.size()) {
        const quint8 block = quint8(head[at]);
        if (block == 0x2c)
            return at + 10 <= head.size() ? std::optional(PictureSize { double(width), double(height) })
                                          : std::nullopt;
        if (block != 0x21 || at + 2 > head.size())
            return std::nullopt;
        at += 2; // the introducer and the label, then sub-blocks to an empty one
        while (at < head.size() && head[at] != 0)
            at += 1 + quint8(head[at]);
        ++at;
    }
    return std::nullopt;
}

// The frame of a baseline, extended or progressive JPEG of 8-bit samples, once
// the scan that follows it starts, as libjpeg reads the header.
std::optional<PictureSize> jpegSize(QByteArrayView head)
{
    std::optional<PictureSize> frame;
    QByteArray exif; // every APP1 segment, one after the other, as Qt gathers them
    QByteArrayView density; // the first APP1 segment of EXIF data, where browsers look
    qsizetype at = 2;
    while (at + 4 <= head.size()) {
        if (quint8(head[at]) != 0xff)
            return std::nullopt;
        const quint8 marker = quint8(head[at + 1]);
        if (marker == 0xff) { // fill
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8) || marker == 0xd9)
            return std::nullopt; // not where a header has them
        const qsizetype length = bigEndianAt<quint16>(head, at + 2);
        if (length < 2 || at + 2 + length > head.size())
            return std::nullopt;
        const QByteArrayView segment = head.sliced(at + 4, length - 2);
        if (marker == 0xc0 || marker == 0xc1 || marker == 0xc2) {
            if (frame || segment.size() < 6)
                return std::nullopt;
            const int components = quint8(segment[5]);
            const int height = bigEndianAt<quint16>(segment, 1);
            const int width = bigEndianAt<quint16>(segment, 3);
            if (segment[0] != 8 || components < 1 || components > 4 || segment.size() != 6 + 3 * components
                || width < 1 || height < 1 || width > 65500 || height > 65500)
                return std::nullopt;
            for (int c = 0; c < components; ++c) {
                const int h = quint8(segment[7 + 3 * c]) >> 4;
                const int v = quint8(segment[7 + 3 * c]) & 15;
                if (h < 1 || h > 4 || v < 1 || v > 4)
                    return std::nullopt;
            }
            frame = PictureSize { double(width), double(height) };
        } else if (marker >= 0xc3 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc) {
            return std::nullopt; // lossless, hierarchical or arithmetic: for Qt to judge
        } else if (marker == 0xe1) {
            exif.append(segment.data(), segment.size());
            if (density.isNull() && segment.startsWith(QByteArrayView("Exif\0\0", 6)))
                density = segment;
        } else if (marker == 0xda) {
            if (!frame || segment.isEmpty() || quint8(segment[0]) < 1 || quint8(segment[0]) > 4
                || segment.size() != 4 + 2 * quint8(segment[0]))
                return std::nullopt;
            // Density is told of the sides as stored; a quarter turn then swaps them.
            const PictureSize shown = TiffTags::exifDensityCorrected(density, *frame);
            if (exifOrientation(exif) >= 5)
                return PictureSize { shown.height, shown.width };
            return shown;
        }
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace

std::optional<PictureSize> commonHeaderSize(QByteArrayView head)
{
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return pngSize(head);
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return gifSize(head);
    if (head.startsWith("\xff\xd8\xff"))
        return jpegSize(head);
    return std::nullopt;
}

QByteArray jpegSizeSegments(QIODevice& device)
{
    // A JPEG's header has a few dozen segments; a long run of them is no header.
    constexpr int kMaxSegments = 4096;
    const qint64 start = device.pos();
    QByteArray kept("\xff\xd8", 2);
    qint64 at = 2;
    for (int segment = 0; segment < kMaxSegments && kept.size() <= 2 * kCommonHeadSize; ++segment) {
        if (device.isSequential() || !device.seek(start + at))
            break;
        const QByteArray marker = device.read(4);
        if (marker.size() < 4 || quint8(marker[0]) != 0xff)
            break;
        const quint8 type = quint8(marker[1]);
        if (type == 0xff) { // fill
            ++at;
            continue;
        }
        const qint64 length = bigEndianAt<quint16>(marker, 2);
        const bool standalone = type == 0x01 || (type >= 0xd0 && type <= 0xd9);
        if (standalone || length < 2) { // for jpegSize to refuse
            kept += marker;
            break;
        }
        if ((type >= 0xc0 && type <= 0xcf) || type == 0xda || (type == 0xe1 && kept.size() < kCommonHeadSize))
            kept += marker + device.read(length - 2);
        if (type == 0xda)
            break;
        at += 2 + length;
    }
    device.seek(start);
    return kept;
}

} // namespace quillon
