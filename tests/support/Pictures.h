#pragma once

#include <QByteArray>
#include <QString>

namespace quillon::test {

// The bytes of a picture file of width x height pixels in format: "png", "bmp",
// "jpg", "gif", "ico", "cur", "webp", "tiff", "svg", "wmf" (placeable) or "emf".
// Made on the fly, so no picture file is taken from anywhere.
QByteArray makePicture(const QString& format, int width, int height);

// EXIF data as a big-endian TIFF block (a JPEG's APP1 puts "Exif\0\0" first).
// Its first directory holds the stored width and height when positive (a TIFF
// file, then), the orientation mark when positive, XResolution and YResolution
// (whole dots over 1) and ResolutionUnit when not negative; an EXIF directory
// holds PixelXDimension (a LONG) and PixelYDimension (a SHORT) when not negative.
struct ExifTags {
    int width = 0;
    int height = 0;
    int orientation = 0;
    int resolutionX = -1;
    int resolutionY = -1;
    int unit = -1;
    int pixelX = -1;
    int pixelY = -1;
};
QByteArray makeExif(const ExifTags& tags);

// A JPEG of width x height stored pixels carrying EXIF data in an APP1 segment.
QByteArray makeJpegWithExif(int width, int height, const QByteArray& exif);
// The same carrying only an orientation mark (1 to 8).
QByteArray makeJpegWithOrientation(int width, int height, int orientation);

// An ISO base media box: its size, its four-letter type and payload; a full box
// has a version and 24 bits of flags before its payload.
QByteArray isoBox(const char* type, const QByteArray& payload);
QByteArray isoFullBox(const char* type, int version, quint32 flags, const QByteArray& payload);

struct AvifParts {
    const char* brand = "avif";
    int width = 120;
    int height = 60;
    int rotation = -1; // the irot angle in quarter turns; none when negative
    int dataBytes = 16; // the picture data after the header
    int metaPadding = -1; // the payload of a free box at the end of meta; none when negative
};

// The header of an AVIF or HEIF picture (ftyp, meta with pitm, ipco, ipma) and
// a data box of filler bytes: what measuring needs, and no picture to decode.
QByteArray makeAvif(const AvifParts& parts = {});

} // namespace quillon::test
