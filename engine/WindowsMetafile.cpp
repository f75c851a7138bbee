#include "engine/WindowsMetafile.h"

#include <QtEndian>

#include <cstdlib>

namespace quillon {

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr qsizetype kPlaceableHeaderSize = 22;
constexpr qsizetype kMetaHeaderSize = 18; // the header every WMF has, placeable or not
constexpr quint32 kEmrHeader = 1;
constexpr quint32 kEmfSignature = 0x464D4520; // " EMF"
constexpr qsizetype kEmfSignatureOffset = 40;
constexpr qint64 kPixelsPerInch = 96;
constexpr qint64 kEmfUnitsPerInch = 2540;

quint16 u16(QByteArrayView b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.data() + at);
}
qint16 i16(QByteArrayView b, qsizetype at)
{
    return qFromLittleEndian<qint16>(b.data() + at);
}
quint32 u32(QByteArrayView b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.data() + at);
}
qint32 i32(QByteArrayView b, qsizetype at)
{
    return qFromLittleEndian<qint32>(b.data() + at);
}

// The standard header of a WMF: memory or disk metafile, nine words long.
bool isMetaHeader(QByteArrayView b, qsizetype at)
{
    if (b.size() < at + kMetaHeaderSize)
        return false;
    const quint16 type = u16(b, at);
    return (type == 1 || type == 2) && u16(b, at + 2) == 9;
}

Failure noSize(const char* why)
{
    return Failure(ErrorCode::NotAPicture, QString::fromLatin1(why));
}

// Integer arithmetic, so a box that is a whole number of pixels gives exactly
// that number; the rest rounds halves up. A corner pair given the wrong way round
// still describes the same extent.
qint64 toPixels(qint64 from, qint64 to, qint64 unitsPerInch)
{
    const qint64 units = std::llabs(to - from);
    const qint64 pixels = (2 * units * kPixelsPerInch + unitsPerInch) / (2 * unitsPerInch);
    return qMax<qint64>(pixels, 1);
}

Result<PictureSize> measurePlaceable(QByteArrayView b)
{
    // The checksum is not consulted: it guards nothing the size depends on, and
    // some programs write it wrong into metafiles that display fine.
    if (b.size() < kPlaceableHeaderSize || !isMetaHeader(b, kPlaceableHeaderSize))
        return noSize("Windows metafile cut short or damaged");
    const qint16 left = i16(b, 6), top = i16(b, 8), right = i16(b, 10), bottom = i16(b, 12);
    const quint16 unitsPerInch = u16(b, 14);
    if (unitsPerInch == 0)
        return noSize("Windows metafile without units per inch");
    if (left == right || top == bottom)
        return noSize("Windows metafile with an empty bounding box");
    return PictureSize { double(toPixels(left, right, unitsPerInch)),
        double(toPixels(top, bottom, unitsPerInch)) };
}

Result<PictureSize> measureEnhanced(QByteArrayView b)
{
    if (b.size() < kMetafileHeadSize || u32(b, 4) < kMetafileHeadSize)
        return noSize("Enhanced metafile cut short or damaged");
    // rclFrame, not rclBounds: the bounds are in the pixels of whatever device
    // recorded the metafile, the frame is the size meant for display.
    const qint32 left = i32(b, 24), top = i32(b, 28), right = i32(b, 32), bottom = i32(b, 36);
    if (left == right || top == bottom)
        return noSize("Enhanced metafile with an empty frame");
    return PictureSize { double(toPixels(left, right, kEmfUnitsPerInch)),
        double(toPixels(top, bottom, kEmfUnitsPerInch)) };
}

} // namespace

std::optional<Result<PictureSize>> measureWindowsMetafile(QByteArrayView head)
{
    if (head.size() >= 4 && u32(head, 0) == kPlaceableKey)
        return measurePlaceable(head);
    if (head.size() >= kEmfSignatureOffset + 4 && u32(head, 0) == kEmrHeader
        && u32(head, kEmfSignatureOffset) == kEmfSignature)
        return measureEnhanced(head);
    // Without the placeable header a WMF is drawn in logical units of no stated
    // size, so there is nothing to measure.
    if (isMetaHeader(head, 0)) {
        const quint16 version = u16(head, 4);
        if (version == 0x0100 || version == 0x0300)
            return noSize("Windows metafile without a placeable header has no size");
    }
    return std::nullopt;
}

} // namespace quillon
