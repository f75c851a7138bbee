#pragma once

#include "engine/measure/PictureSize.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>
#include <vector>

namespace quillon {

// The directories of tags in a TIFF-structured block: a TIFF file itself, or the
// EXIF data that a JPEG, PNG or WebP carries. Every read goes through a fetch
// that gives bytes by their offset from the block's byte-order mark, or nothing
// when they are not all there; no read asks for more than one directory.
class TiffTags {
public:
    using Fetch = std::function<std::optional<QByteArray>(qint64 offset, qint64 length)>;

    // A directory lists a few dozen tags; more is damaged or made to harm.
    static constexpr quint32 kMaxEntries = 4096;

    struct Entry {
        quint32 tag = 0;
        quint32 type = 0;
        quint32 count = 0;
        quint32 shortValue = 0; // the first two value bytes, where a SHORT sits
        quint32 longValue = 0; // all four: a LONG, or the offset of a larger value
    };

    struct Directory {
        std::vector<Entry> entries;
        quint32 next = 0; // the offset of the next directory; 0 for none
        qint64 end = 0; // the offset just past it

        const Entry* find(quint32 tag) const;
    };

    // Nothing when the block does not start with a TIFF header.
    static std::optional<TiffTags> open(Fetch fetch);
    // EXIF data held whole: with or without the "Exif\0\0" a JPEG's APP1 puts first.
    static std::optional<TiffTags> fromExif(QByteArrayView exif);

    quint32 firstDirectory() const { return m_first; }

    // Nothing when the directory lies outside the block, is cut short or lists
    // more than kMaxEntries tags.
    std::optional<Directory> directory(qint64 offset) const;

    // The entry's one SHORT, or one LONG when allowed; nothing for anything else.
    std::optional<quint32> number(const Entry* entry, bool longAllowed = true) const;

    // The size a browser lays out a picture of stored pixels at, from the
    // resolution in first (the block's first directory) and the pixel
    // dimensions in its EXIF directory: the dimensions when both resolutions
    // are positive and in pixels per inch, and the stored sides at 72 per inch
    // give exactly those dimensions; the stored size otherwise, and for
    // dimensions past kMaxSide. Sides as stored, before any orientation turns them.
    PictureSize densityCorrected(const Directory& first, PictureSize stored) const;

    // The same for a picture carrying EXIF data held whole; EXIF that is damaged
    // or says nothing of density leaves the stored size.
    static PictureSize exifDensityCorrected(QByteArrayView exif, PictureSize stored);

private:
    TiffTags(Fetch fetch, bool little, quint32 first);

    quint32 u16(QByteArrayView bytes, qsizetype at) const;
    quint32 u32(QByteArrayView bytes, qsizetype at) const;
    // A single RATIONAL greater than zero, as numerator and denominator.
    std::optional<std::pair<quint32, quint32>> positiveRational(const Entry* entry) const;

    Fetch m_fetch;
    bool m_little = false;
    quint32 m_first = 0;
};

} // namespace quillon
