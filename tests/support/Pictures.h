#pragma once

#include <QByteArray>
#include <QString>

namespace quillon::test {

// The bytes of a picture file of width x height pixels in format: "png", "bmp",
// "jpg", "gif", "ico", "cur", "webp", "tiff", "svg", "wmf" (placeable) or "emf".
// Made on the fly, so no picture file is taken from anywhere.
QByteArray makePicture(const QString& format, int width, int height);

// A JPEG of width x height stored pixels carrying an EXIF orientation mark (1 to 8).
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
};

// The header of an AVIF or HEIF picture (ftyp, meta with pitm, ipco, ipma) and
// a data box of filler bytes: what measuring needs, and no picture to decode.
QByteArray makeAvif(const AvifParts& parts = {});

} // namespace quillon::test
