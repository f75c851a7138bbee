#include "engine/measure/WindowsMetafile.h"

#include "engine/measure/ByteOrder.h"

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

// The standard header of a WMF: memory or disk metafile, nine words long.
bool isMetaHeader(QByteArrayView b, qsizetype at)
{
    if (b.size() < at + kMetaHeaderSize)
        return false;
    const quint16 type = littleEndianAt<quint16>(b, at);
    return (type == 1 || type == 2) && littleEndianAt<quint16>(b, at + 2) == 9;
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
    const qint16 left = littleEndianAt<qint16>(b, 6), top = littleEndianAt<qint16>(b, 8),
                 right = littleEndianAt<qint16>(b, 10), bottom = littleEndianAt<qint16>(b, 12);
    const quint16 unitsPerInch = littleEndianAt<quint16>(b, 14);
    if (unitsPerInch == 0)
        return noSize("Windows metafile without units per inch");
    if (left == right || top == bottom)
        return noSize("Windows metafile with an empty bounding box");
    return PictureSize { double(toPixels(left, right, unitsPerInch)),
        double(toPixels(top, bottom, unitsPerInch)) };
}

Result<PictureSize> measureEnhanced(QByteArrayView b)
{
    if (b.size() < kMetafileHeadSize || littleEndianAt<quint32>(b, 4) < kMetafileHeadSize)
        return noSize("Enhanced metafile cut short or damaged");
    // rclFrame, not rclBounds: the bounds are in the pixels of whatever device
    // recorded the metafile, the frame is the size meant for display.
    const qint32 left = littleEndianAt<qint32>(b, 24), top = littleEndianAt<qint32>(b, 28),
                 right = littleEndianAt<qint32>(b, 32), bottom = littleEndianAt<qint32>(b, 36);
    if (left == right || top == bottom)
        return noSize("Enhanced metafile with an empty frame");
    return PictureSize { double(toPixels(left, right, kEmfUnitsPerInch)),
        double(toPixels(top, bottom, kEmfUnitsPerInch)) };
}

} // namespace

std::optional<Result<PictureSize>> measureWindowsMetafile(QByteArrayView head)
{
    if (head.size() >= 4 && littleEndianAt<quint32>(head, 0) == kPlaceableKey)
        return measurePlaceable(head);
    if (head.size() >= kEmfSignatureOffset + 4 && littleEndianAt<quint32>(head, 0) == kEmrHeader
        && littleEndianAt<quint32>(head, kEmfSignatureOffset) == kEmfSignature)
        return measureEnhanced(head);
    // Without the placeable header a WMF is drawn in logical units of no stated
    // size, so there is nothing to measure.
    if (isMetaHeader(head, 0)) {
        const quint16 version = littleEndianAt<quint16>(head, 4);
        if (version == 0x0100 || version == 0x0300)
            return noSize("Windows metafile without a placeable header has no size");
    }
    return std::nullopt;
}

} // namespace quillon
