#include "engine/measure/TiffTags.h"

#include "engine/measure/ByteOrder.h"

namespace quillon {

namespace {

constexpr quint32 kXResolution = 0x011a;
constexpr quint32 kYResolution = 0x011b;
constexpr quint32 kResolutionUnit = 0x0128;
constexpr quint32 kExifDirectory = 0x8769;
constexpr quint32 kPixelXDimension = 0xa002;
constexpr quint32 kPixelYDimension = 0xa003;

constexpr quint32 kShort = 3;
constexpr quint32 kLong = 4;
constexpr quint32 kRational = 5;
constexpr quint32 kIfd = 13; // a LONG that points at a directory
constexpr quint32 kInch = 2;

// EXIF gives resolution in dots per inch, and CSS has 72 points to the inch:
// a picture at 72 is laid out one pixel to a stored pixel.
constexpr quint64 kBaseResolution = 72;

} // namespace

const TiffTags::Entry* TiffTags::Directory::find(quint32 tag) const
{
    for (const Entry& entry : entries) {
        if (entry.tag == tag)
            return &entry;
    }
    return nullptr;
}

TiffTags::TiffTags(Fetch fetch, bool little, quint32 first)
    : m_fetch(std::move(fetch))
    , m_little(little)
    , m_first(first)
{
}

std::optional<TiffTags> TiffTags::open(Fetch fetch)
{
    const std::optional<QByteArray> header = fetch(0, 8);
    if (!header)
        return std::nullopt;
    const bool little = header->startsWith(QByteArrayView("II*\0", 4));
    if (!little && !header->startsWith(QByteArrayView("MM\0*", 4)))
        return std::nullopt;
    const quint32 first = little ? littleEndianAt<quint32>(*header, 4) : bigEndianAt<quint32>(*header, 4);
    return TiffTags(std::move(fetch), little, first);
}

std::optional<TiffTags> TiffTags::fromExif(QByteArrayView exif)
{
    if (exif.startsWith(QByteArrayView("Exif\0\0", 6)))
        exif = exif.sliced(6);
    return open([block = exif.toByteArray()](qint64 offset, qint64 length) -> std::optional<QByteArray> {
        if (offset < 0 || length < 0 || offset > block.size() || length > block.size() - offset)
            return std::nullopt;
        return block.sliced(offset, length);
    });
}

quint32 TiffTags::u16(QByteArrayView bytes, qsizetype at) const
{
    return m_little ? littleEndianAt<quint16>(bytes, at) : bigEndianAt<quint16>(bytes, at);
}

quint32 TiffTags::u32(QByteArrayView bytes, qsizetype at) const
{
    return m_little ? littleEndianAt<quint32>(bytes, at) : bigEndianAt<quint32>(bytes, at);
}

std::optional<TiffTags::Directory> TiffTags::directory(qint64 offset) const
{
    // The header takes the first eight bytes; no directory lies inside it.
    const std::optional<QByteArray> countBytes = offset >= 8 ? m_fetch(offset, 2) : std::nullopt;
    if (!countBytes)
        return std::nullopt;
    const quint32 count = u16(*countBytes, 0);
    if (count > kMaxEntries)
        return std::nullopt;
    const std::optional<QByteArray> bytes = m_fetch(offset + 2, 12 * qint64(count));
    if (!bytes)
        return std::nullopt;
    Directory directory;
    directory.entries.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype at = 12 * qsizetype(i);
        directory.entries.push_back(Entry { u16(*bytes, at), u16(*bytes, at + 2), u32(*bytes, at + 4),
            u16(*bytes, at + 8), u32(*bytes, at + 8) });
    }
    directory.end = offset + 2 + 12 * qint64(count);
    // A last directory cut right after its entries simply has no next one.
    if (const std::optional<QByteArray> next = m_fetch(directory.end, 4)) {
        directory.next = u32(*next, 0);
        directory.end += 4;
    }
    return directory;
}

std::optional<quint32> TiffTags::number(const Entry* entry, bool longAllowed) const
{
    if (!entry || entry->count != 1)
        return std::nullopt;
    if (entry->type == kShort)
        return entry->shortValue;
    if (entry->type == kLong && longAllowed)
        return entry->longValue;
    return std::nullopt;
}

std::optional<std::pair<quint32, quint32>> TiffTags::positiveRational(const Entry* entry) const
{
    if (!entry || entry->type != kRational || entry->count != 1)
        return std::nullopt;
    const std::optional<QByteArray> value = m_fetch(entry->longValue, 8);
    if (!value)
        return std::nullopt;
    const quint32 numerator = u32(*value, 0);
    const quint32 denominator = u32(*value, 4);
    if (numerator == 0 || denominator == 0)
        return std::nullopt;
    return std::pair(numerator, denominator);
}

PictureSize TiffTags::densityCorrected(const Directory& first, PictureSize stored) const
{
    const auto resolutionX = positiveRational(first.find(kXResolution));
    const auto resolutionY = positiveRational(first.find(kYResolution));
    if (!resolutionX || !resolutionY || number(first.find(kResolutionUnit), false) != kInch)
        return stored;
    const Entry* pointer = first.find(kExifDirectory);
    if (!pointer || (pointer->type != kLong && pointer->type != kIfd) || pointer->count != 1)
        return stored;
    const std::optional<Directory> exif = directory(pointer->longValue);
    if (!exif)
        return stored;
    const std::optional<quint32> pixelX = number(exif->find(kPixelXDimension));
    const std::optional<quint32> pixelY = number(exif->find(kPixelYDimension));
    if (!pixelX || !pixelY || *pixelX == 0 || *pixelY == 0)
        return stored;
    if (stored.width > PictureSize::kMaxSide || stored.height > PictureSize::kMaxSide
        || *pixelX > PictureSize::kMaxSide || *pixelY > PictureSize::kMaxSide)
        return stored;
    // side x 72 / (numerator / denominator) must be the dimension exactly; in
    // whole numbers that fit 64 bits, since no side passes 2^24.
    const auto agrees = [](double side, std::pair<quint32, quint32> resolution, quint32 dimension) {
        return quint64(side) * kBaseResolution * resolution.second == quint64(dimension) * resolution.first;
    };
    if (!agrees(stored.width, *resolutionX, *pixelX) || !agrees(stored.height, *resolutionY, *pixelY))
        return stored;
    return PictureSize { double(*pixelX), double(*pixelY) };
}

PictureSize TiffTags::exifDensityCorrected(QByteArrayView exif, PictureSize stored)
{
    const std::optional<TiffTags> tags = fromExif(exif);
    if (!tags)
        return stored;
    const std::optional<Directory> first = tags->directory(tags->firstDirectory());
    return first ? tags->densityCorrected(*first, stored) : stored;
}

} // namespace quillon
