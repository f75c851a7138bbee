#include "engine/measure/MoreHeaders.h"

#include "engine/measure/ByteOrder.h"
#include "engine/measure/TiffTags.h"

#include <algorithm>

namespace quillon {

namespace {

// No single read for a header asks for more than this.
constexpr qint64 kMaxRead = 64 * 1024;

// An icon file holds a handful of sizes; a directory of more is damaged or made to harm.
constexpr int kMaxIconImages = 1024;

// A WebP file holds a handful of chunks, or one for each frame of an animation.
constexpr int kMaxWebPChunks = 4096;

Failure damaged(const QString& why)
{
    return Failure(ErrorCode::NotAPicture, why);
}

// Slices of the picture by their offset from its first byte: from the head
// already read where they lie in it, else read from the device, and only when
// the device holds them all.
class PictureBytes {
public:
    PictureBytes(QIODevice& device, QByteArrayView head)
        : m_device(device)
        , m_head(head)
        , m_start(device.pos())
    {
    }

    std::optional<QByteArray> at(qint64 offset, qint64 length) const
    {
        if (offset < 0 || length < 0 || length > kMaxRead)
            return std::nullopt;
        if (offset + length <= m_head.size())
            return QByteArray(m_head.data() + offset, qsizetype(length));
        if (m_device.isSequential() || offset + length > m_device.size() - m_start)
            return std::nullopt;
        if (!m_device.seek(m_start + offset))
            return std::nullopt;
        QByteArray bytes = m_device.read(length);
        m_device.seek(m_start);
        if (bytes.size() != length)
            return std::nullopt;
        return bytes;
    }

private:
    QIODevice& m_device;
    QByteArrayView m_head;
    qint64 m_start;
};

bool isDibHeaderSize(quint32 size)
{
    // OS/2 1.x and 2.x (short and full), Windows 3 and its V2 to V5 extensions.
    static constexpr quint32 sizes[] = { 12, 16, 40, 52, 56, 64, 108, 124 };
    return std::find(std::begin(sizes), std::end(sizes), size) != std::end(sizes);
}

// A BMP file: a 14-byte file header, then the bitmap's own header. The rows of a
// negative height are stored top-down; the picture is as tall either way.
Result<PictureSize> bmpSize(QByteArrayView head)
{
    constexpr qsizetype info = 14;
    if (head.size() < info + 4)
        return damaged(QStringLiteral("a BMP header cut short"));
    const quint32 headerSize = littleEndianAt<quint32>(head, info);
    if (!isDibHeaderSize(headerSize))
        return damaged(QStringLiteral("a BMP header of an unknown version"));
    if (head.size() < info + qsizetype(std::min<quint32>(headerSize, 20)))
        return damaged(QStringLiteral("a BMP header cut short"));
    if (headerSize == 12) { // OS/2 1.x: 16-bit sides, no compression
        const int bits = littleEndianAt<quint16>(head, info + 10);
        if (littleEndianAt<quint16>(head, info + 8) != 1
            || (bits != 1 && bits != 4 && bits != 8 && bits != 24))
            return damaged(QStringLiteral("a BMP of an unknown colour depth"));
        return PictureSize { double(littleEndianAt<quint16>(head, info + 4)),
            double(littleEndianAt<quint16>(head, info + 6)) };
    }
    const qint64 width = littleEndianAt<qint32>(head, info + 4);
    const qint64 height = littleEndianAt<qint32>(head, info + 8);
    const int bits = littleEndianAt<quint16>(head, info + 14);
    const quint32 compression = headerSize >= 20 ? littleEndianAt<quint32>(head, info + 16) : 0;
    const bool depthFits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    // Plain rows, run lengths of their own depth, or bit fields of 16 or 32 bits.
    const bool compressionFits = compression == 0 || (compression == 1 && bits == 8)
        || (compression == 2 && bits == 4) || (compression == 3 && (bits == 16 || bits == 32));
    if (littleEndianAt<quint16>(head, info + 12) != 1 || !depthFits || !compressionFits)
        return damaged(QStringLiteral("a BMP of an unknown colour depth or compression"));
    if (width < 0)
        return damaged(QStringLiteral("a BMP of a negative width"));
    return PictureSize { double(width), double(height < 0 ? -height : height) };
}

bool isIcon(QByteArrayView head)
{
    if (head.size() < 6)
        return false;
    const int type = littleEndianAt<quint16>(head, 2);
    return littleEndianAt<quint16>(head, 0) == 0 && (type == 1 || type == 2)
        && littleEndianAt<quint16>(head, 4) > 0;
}

// An icon or cursor file: a directory of images, each a PNG or a bitmap without
// its file header. The largest is the one shown; a PNG's own header gives its
// size, where the directory's bytes stop at 256.
Result<PictureSize> iconSize(const PictureBytes& bytes, QByteArrayView head)
{
    const int count = littleEndianAt<quint16>(head, 4);
    if (count > kMaxIconImages)
        return damaged(QStringLiteral("an icon directory of %1 images").arg(count));
    const std::optional<QByteArray> directory = bytes.at(6, 16 * count);
    if (!directory)
        return damaged(QStringLiteral("an icon directory cut short"));
    std::optional<PictureSize> largest;
    for (int i = 0; i < count; ++i) {
        const QByteArrayView entry = QByteArrayView(*directory).sliced(16 * i, 16);
        PictureSize size { quint8(entry[0]) == 0 ? 256.0 : quint8(entry[0]),
            quint8(entry[1]) == 0 ? 256.0 : quint8(entry[1]) };
        // Enough of the image to tell a PNG's signature and IHDR sides from a bitmap header.
        const std::optional<QByteArray> image = bytes.at(littleEndianAt<quint32>(entry, 12), 24);
        if (!image)
            return damaged(QStringLiteral("an icon image outside the file"));
        if (image->startsWith("\x89PNG\r\n\x1a\n")) {
            if (image->sliced(12, 4) != "IHDR")
                return damaged(QStringLiteral("an icon's PNG image without its header"));
            size = { double(bigEndianAt<quint32>(*image, 16)), double(bigEndianAt<quint32>(*image, 20)) };
        } else if (!isDibHeaderSize(littleEndianAt<quint32>(*image, 0))) {
            return damaged(QStringLiteral("an icon image of an unknown kind"));
        }
        if (!largest || size.width * size.height > largest->width * largest->height)
            largest = size;
    }
    return *largest;
}

// The EXIF chunk of an extended WebP, which comes after the picture data: the
// chunks are walked by their headers alone. Nothing when it is missing, larger
// than a header read or outside the file.
std::optional<QByteArray> webpExif(const PictureBytes& bytes)
{
    qint64 at = 12; // after RIFF, its size and WEBP
    for (int chunk = 0; chunk < kMaxWebPChunks; ++chunk) {
        const std::optional<QByteArray> header = bytes.at(at, 8);
        if (!header)
            return std::nullopt;
        const qint64 size = littleEndianAt<quint32>(*header, 4);
        if (header->startsWith("EXIF"))
            return bytes.at(at + 8, size);
        at += 8 + size + (size & 1); // padded to an even length
    }
    return std::nullopt;
}

bool isWebP(QByteArrayView head)
{
    return head.size() >= 12 && head.startsWith("RIFF") && head.sliced(8, 4) == "WEBP";
}

// The first chunk of a WebP file tells its size: the key frame of lossy data, the
// header of lossless data, or the canvas of an extended file (animated, with
// alpha or with metadata).
Result<PictureSize> webpSize(const PictureBytes& bytes, QByteArrayView head)
{
    constexpr qsizetype data = 20; // after RIFF, its size, WEBP, the chunk's type and size
    if (head.size() < data)
        return damaged(QStringLiteral("a WebP header cut short"));
    const QByteArrayView chunk = head.sliced(12, 4);
    // Whether the chunk holds n bytes, and head holds them too.
    const auto holds
        = [&](qsizetype n) { return littleEndianAt<quint32>(head, 16) >= n && head.size() >= data + n; };
    if (chunk == "VP8 ") {
        if (!holds(10) || (head[data] & 1) != 0 || head.sliced(data + 3, 3) != "\x9d\x01\x2a")
            return damaged(QStringLiteral("a lossy WebP without its key frame"));
        return PictureSize { double(littleEndianAt<quint16>(head, data + 6) & 0x3fff),
            double(littleEndianAt<quint16>(head, data + 8) & 0x3fff) };
    }
    if (chunk == "VP8L") {
        if (!holds(5) || quint8(head[data]) != 0x2f || littleEndianAt<quint32>(head, data + 1) >> 29 != 0)
            return damaged(QStringLiteral("a lossless WebP with a damaged header"));
        const quint32 bits = littleEndianAt<quint32>(head, data + 1);
        return PictureSize { double((bits & 0x3fff) + 1), double((bits >> 14 & 0x3fff) + 1) };
    }
    if (chunk == "VP8X") {
        if (!holds(10))
            return damaged(QStringLiteral("an extended WebP with a damaged header"));
        const auto side = [&](qsizetype at) {
            return double(
                littleEndianAt<quint16>(head, at) + (quint8(head[at + 2]) << 16) + 1); // 24 bits, less one
        };
        const PictureSize canvas { side(data + 4), side(data + 7) };
        const std::optional<QByteArray> exif = head[data] & 0x08 ? webpExif(bytes) : std::nullopt;
        return exif ? TiffTags::exifDensityCorrected(*exif, canvas) : canvas;
    }
    return damaged(QStringLiteral("a WebP of an unknown kind"));
}

// A TIFF file: its header points at the first directory of tags, which may lie
// anywhere in the file, often after the picture data.
Result<PictureSize> tiffSize(const PictureBytes& bytes)
{
    const std::optional<TiffTags> tags
        = TiffTags::open([&bytes](qint64 offset, qint64 length) { return bytes.at(offset, length); });
    if (!tags)
        return damaged(QStringLiteral("a TIFF header cut short"));
    const std::optional<TiffTags::Directory> first = tags->directory(tags->firstDirectory());
    if (!first || first->entries.empty())
        return damaged(QStringLiteral("a TIFF directory outside the file, damaged or cut short"));
    std::optional<quint32> width, height, orientation;
    for (const quint32 tag : { 256u, 257u, 274u }) {
        const TiffTags::Entry* entry = first->find(tag);
        if (!entry)
            continue;
        const std::optional<quint32> value = tags->number(entry, tag != 274);
        if (!value)
            return damaged(QStringLiteral("a TIFF tag %1 of the wrong type").arg(tag));
        (tag == 256 ? width : tag == 257 ? height : orientation) = *value;
    }
    if (!width || !height)
        return damaged(QStringLiteral("a TIFF without its width or height"));
    const PictureSize shown = tags->densityCorrected(*first, PictureSize { double(*width), double(*height) });
    // 5 to 8 store the rows as columns; the picture is shown turned a quarter.
    if (orientation >= 5u && orientation <= 8u)
        return PictureSize { shown.height, shown.width };
    return shown;
}

} // namespace

std::optional<Result<PictureSize>> measureMoreHeaders(QIODevice& device, QByteArrayView head)
{
    const PictureBytes bytes(device, head);
    Result<PictureSize> size = damaged(QString());
    if (head.startsWith("BM"))
        size = bmpSize(head);
    else if (isIcon(head))
        size = iconSize(bytes, head);
    else if (isWebP(head))
        size = webpSize(bytes, head);
    else if (head.startsWith(QByteArrayView("II*\0", 4)) || head.startsWith(QByteArrayView("MM\0*", 4)))
        size = tiffSize(bytes);
    else
        return std::nullopt;
    if (size.ok() && (size->width < 1 || size->height < 1))
        return damaged(QStringLiteral("a picture of no pixels"));
    return size;
}

} // namespace quillon
