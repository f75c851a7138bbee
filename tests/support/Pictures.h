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

} // namespace quillon::test
