#include "engine/measure/PictureMeasure.h"

#include "tests/support/Pictures.h"
#include "tests/support/TestSupport.h"

#include <QDir>

#include <array>
#include <initializer_list>

#include <gtest/gtest.h>

#include <zlib.h>

#include <sys/stat.h>

namespace quillon {
namespace {

using namespace test;
using namespace Qt::StringLiterals;

// "WxH", or the failure's code.
QString said(const Result<PictureSize>& r)
{
    return r.ok() ? r->widthText() + u'x' + r->heightText() : QString::number(r.failure().code);
}

struct Case {
    std::string name;
    QByteArray bytes;
    const char* expected;
};

// From a file and from memory alike; the file's name says nothing of its content.
void expectMeasures(const std::vector<Case>& cases)
{
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(said(MeasurePicture(dir.write(u"picture.gif"_s, c.bytes))), c.expected);
        EXPECT_EQ(said(MeasurePictureData(c.bytes)), c.expected);
    }
}

QByteArray svg(const char* root, const char* body = "<rect width=\"4\" height=\"4\"/></svg>")
{
    return QByteArray("<?xml version=\"1.0\"?>\n<!-- by hand -->\n<svg xmlns=\"http://www.w3.org/2000/svg\" ")
        + root + '>' + body;
}

QByteArray gzip(const QByteArray& data)
{
    const TempDir dir;
    EXPECT_EQ(runProgram(u"gzip"_s, { u"-n"_s, dir.write(u"svg"_s, data) }).exitCode, 0);
    return dir.read(u"svg.gz"_s);
}

// Each value in n bytes, the least significant first, or the most with big.
template <int n, bool big = false> QByteArray bytes(std::initializer_list<qint64> values)
{
    QByteArray b;
    for (const qint64 v : values) {
        for (int i = 0; i < n; ++i)
            b.append(char(v >> 8 * (big ? n - 1 - i : i)));
    }
    return b;
}

// An icon (type 1) or cursor (type 2) directory of images each w x h as its
// bytes give them (0 for 256), each image a bitmap header, or the PNG given.
QByteArray icon(int type, std::initializer_list<std::pair<int, int>> sizes, const QByteArray& png = {})
{
    QByteArray directory = bytes<2>({ 0, type, qint64(sizes.size()) }), images;
    const qsizetype first = 6 + 16 * qsizetype(sizes.size());
    for (const auto& [w, h] : sizes) {
        const QByteArray image
            = png.isEmpty() ? bytes<4>({ 40, w, 2 * h }) + bytes<2>({ 1, 32 }) + bytes<4>({ 0, 0 }) : png;
        directory += bytes<1>({ w, h, 0, 0 }) + bytes<2>({ 1, 32 })
            + bytes<4>({ image.size(), first + images.size() });
        images += image;
    }
    return directory + images;
}

// A TIFF whose one directory holds the given tags, each a type and a value.
template <bool big> QByteArray tiff(std::initializer_list<std::array<qint64, 3>> tags)
{
    QByteArray b = QByteArray(big ? "MM" : "II") + bytes<2, big>({ 42 }) + bytes<4, big>({ 8 })
        + bytes<2, big>({ qint64(tags.size()) });
    for (const auto& [tag, type, value] : tags) {
        b += bytes<2, big>({ tag, type }) + bytes<4, big>({ 1 });
        b += type == 3 ? bytes<2, big>({ value, 0 }) : bytes<4, big>({ value });
    }
    return b + bytes<4>({ 0 });
}

QByteArray webp(const char* chunk, const QByteArray& data)
{
    return "RIFF" + bytes<4>({ 12 + data.size() }) + "WEBP" + chunk + bytes<4>({ data.size() }) + data;
}

TEST(MeasurePicture, EachFormatAtItsSizeTurnedAsShown)
{
    // The primary item's size, turned by irot; the header alone is enough.
    const QByteArray avif = makeAvif();
    const qsizetype metaBytes = avif.indexOf("mdat") - avif.indexOf("meta"); // with no free box
    QByteArray bmpTopDown = makePicture("bmp", 120, 60);
    bmpTopDown.replace(22, 4, bytes<4>({ -60 }));
    // A colour profile as long as a segment may be, between the EXIF and the
    // frame, after a fill byte.
    QByteArray lateFrame = makeJpegWithOrientation(40, 20, 6);
    lateFrame.insert(4 + (quint8(lateFrame[4]) << 8 | quint8(lateFrame[5])),
        QByteArray("\xff\xff\xe2\xff\xff", 5) + QByteArray(0xfffd, '\0'));
    std::vector<Case> cases
        = { { "avif", avif, "120x60" }, { "avif header", avif.left(avif.indexOf("mdat") + 4), "120x60" },
              { "heic", makeAvif({ "heic", 4032, 3024 }), "4032x3024" },
              { "irot 1", makeAvif({ "mif1", 640, 480, 1 }), "480x640" },
              { "irot 2", makeAvif({ "avif", 640, 480, 2 }), "640x480" },
              { "sides at the limit", makeAvif({ "avif", 1 << 24, 1 }), "16777216x1" },
              { "meta at the limit", makeAvif({ .metaPadding = int((1 << 20) - metaBytes - 8) }), "120x60" },
              { "svgz", gzip(makePicture("svg", 120, 60)), "120x60" },
              { "large exif", makeJpegWithOrientation(4000, 3000, 6), "3000x4000" },
              { "frame past a long profile", lateFrame, "20x40" },
              { "bmp os/2", "BM" + QByteArray(12, 0) + bytes<4>({ 12 }) + bytes<2>({ 300, 200, 1, 24 }),
                  "300x200" },
              { "bmp top-down", bmpTopDown, "120x60" },
              { "ico largest", icon(1, { { 16, 16 }, { 48, 40 }, { 32, 32 } }), "48x40" },
              { "ico 256", icon(1, { { 48, 48 }, { 0, 0 } }), "256x256" },
              { "cur", icon(2, { { 32, 24 } }), "32x24" },
              { "ico of a png", icon(1, { { 16, 16 }, { 0, 0 } }, makePicture("png", 300, 20)), "300x20" },
              { "webp lossless", webp("VP8L", "\x2f" + bytes<4>({ 119 | 59 << 14 })), "120x60" },
              { "webp extended", webp("VP8X", bytes<4>({ 0x10 }) + bytes<3>({ 639, 479 })), "640x480" },
              { "tiff mm long", tiff<true>({ { 256, 4, 70000 }, { 257, 3, 50 } }), "70000x50" },
              { "tiff turned", tiff<false>({ { 256, 3, 40 }, { 257, 3, 20 }, { 274, 3, 6 } }), "20x40" },
              { "tiff mirrored", tiff<true>({ { 256, 3, 40 }, { 257, 3, 20 }, { 274, 3, 2 } }), "40x20" } };
    for (const char* f : { "png", "bmp", "jpg", "gif", "ico", "cur", "webp", "tiff", "svg", "wmf", "emf" }) {
        cases.push_back({ f, makePicture(f, 120, 60), "120x60" });
        cases.push_back({ std::string(f) + " tall", makePicture(f, 1, 250), "1x250" });
    }
    // An EXIF mark of 5 to 8 turns a JPEG a quarter.
    for (int mark = 1; mark <= 8; ++mark)
        cases.push_back({ "exif " + std::to_string(mark), makeJpegWithOrientation(40, 20, mark),
            mark >= 5 ? "20x40" : "40x20" });
    // The mark is a SHORT; browsers do not turn a picture whose mark is stored otherwise.
    QByteArray longMark = makeJpegWithOrientation(40, 20, 6);
    longMark.replace(QByteArray("\x01\x12\0\x03\0\0\0\x01\0\x06\0\0", 12),
        QByteArray("\x01\x12\0\x04\0\0\0\x01\0\0\0\x06", 12));
    cases.push_back({ "exif mark as a long", longMark, "40x20" });
    expectMeasures(cases);
}

// Browsers lay out a picture whose EXIF data tells a density at the pixel
// dimensions it gives, when both resolutions are in dots per inch and take the
// stored sides to those dimensions at 72 to the inch; else at its stored size.
TEST(MeasurePicture, DensityCorrectedAsBrowsersLayOut)
{
    const ExifTags twice { .resolutionX = 144, .resolutionY = 144, .unit = 2, .pixelX = 100, .pixelY = 50 };
    const auto changed = [&](int ExifTags::*field, int value) {
        ExifTags tags = twice;
        tags.*field = value;
        return makeExif(tags);
    };
    const auto jpeg = [](const QByteArray& block) { return makeJpegWithExif(200, 100, block); };
    const auto png = [](const QByteArray& block) {
        const QByteArray chunk = "eXIf" + block, plain = makePicture("png", 200, 100);
        const qint64 crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), uInt(chunk.size()));
        return plain.left(33) + bytes<4, true>({ block.size() }) + chunk + bytes<4, true>({ crc })
            + plain.mid(33);
    };
    const QByteArray exif = makeExif(twice);
    const auto tiff = [&](int orientation) {
        ExifTags tags = twice;
        tags.width = 200;
        tags.height = 100;
        tags.orientation = orientation;
        return makeExif(tags);
    };
    expectMeasures({ { "twice the density", jpeg(exif), "100x50" },
        { "each side its own density",
            makeJpegWithExif(10, 20,
                makeExif({ .resolutionX = 36, .resolutionY = 144, .unit = 2, .pixelX = 20, .pixelY = 10 })),
            "20x10" },
        { "no PixelXDimension", jpeg(changed(&ExifTags::pixelX, -1)), "200x100" },
        { "no YResolution", jpeg(changed(&ExifTags::resolutionY, -1)), "200x100" },
        { "no unit", jpeg(changed(&ExifTags::unit, -1)), "200x100" },
        { "centimetres", jpeg(changed(&ExifTags::unit, 3)), "200x100" },
        { "resolution zero", jpeg(changed(&ExifTags::resolutionX, 0)), "200x100" },
        { "dimensions disagree", jpeg(changed(&ExifTags::pixelY, 40)), "200x100" },
        { "exif pointer of two values",
            jpeg(QByteArray(exif).replace(
                QByteArray("\x87\x69\0\x04\0\0\0\x01", 8), QByteArray("\x87\x69\0\x04\0\0\0\x02", 8))),
            "200x100" },
        { "turned after", jpeg(changed(&ExifTags::orientation, 6)), "50x100" },
        { "png eXIf", png(exif), "100x50" }, { "png eXIf cut short", png(exif.left(60)), "200x100" },
        { "webp",
            webp("VP8X", bytes<4>({ 0x08 }) + bytes<3>({ 199, 99 })) + "EXIF" + bytes<4>({ exif.size() })
                + exif,
            "100x50" },
        { "tiff", tiff(0), "100x50" }, { "tiff turned after", tiff(6), "50x100" } });
}

// Absolute lengths at 96 pixels to the inch, rounded half away from zero;
// relative ones, or none, leave the viewBox to decide.
TEST(MeasurePicture, SvgLengths)
{
    expectMeasures({ { "pt", svg(R"(width="72pt" height="36pt")"), "96x48" },
        { "in", svg(R"(width="1in" height="0.5in")"), "96x48" },
        { "cm mm", svg(R"(width="2.54cm" height="25.4mm")"), "96x96" },
        { "pc Q", svg(R"(width="6pc" height="40Q")"), "96x38" },
        { "px", svg(R"(width="+37.6" height=" 12.5PX ")"), "38x13" },
        { "thin", svg(R"(width="0.2" height="5")"), "1x5" },
        { "relative", svg(R"(width="50%" height="10em" viewBox="0 0 300 150")"), "300x150" },
        { "no lengths", svg(R"(viewBox="0,0,64,32")"), "64x32" },
        { "width only", svg(R"(width="1in" viewBox="0 0 200 100")"), "96x48" },
        { "height only", svg(R"(width="100%" height="30pt" viewBox="0 0 300 150")"), "80x40" },
        { "zero", svg(R"(width="0" height="10" viewBox="0 0 10 10")"), "481" },
        { "nothing tells its size", svg(R"(width="50%")"), "481" },
        { "negative", svg(R"(width="-5" height="10" viewBox="0 0 10 10")"), "10x10" },
        { "cut short", svg(R"(width="10" height="10")", "<g"), "481" },
        { "blanks before the root",
            "\t\r\n <svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"20\"/>", "10x20" } });
}

TEST(MeasurePicture, NotPicturesAndDamagedHeadersFail481)
{
    const QByteArray png = makePicture("png", 120, 60);
    const QByteArray avif = makeAvif();
    const qsizetype meta = avif.indexOf("meta") - 4;
    QByteArray noPrimary = avif, metaTooLong = avif, boxTooShort = avif, otherBrand = avif;
    noPrimary.replace("pitm", "xxxx");
    metaTooLong[meta + 2] = 0x7f;
    boxTooShort[meta + 3] = 4;
    otherBrand.replace("avif", "isom").replace("mif1", "iso2");
    const QByteArray bomb = svg(R"(width="10" height="10")", "<!--") + QByteArray(9 << 20, ' ') + "--></svg>";
    expectMeasures({ { "empty", {}, "481" },
        { "html", "<!DOCTYPE html>\n<html><title>404 Not Found</title></html>\n", "481" },
        { "pbm", "P1\n3 2\n0 1 0\n1 0 1\n", "481" }, { "png cut in its header", png.left(20), "481" },
        { "jpeg cut before its frame", makePicture("jpg", 120, 60).left(100), "481" },
        { "gif without a picture", makePicture("gif", 9, 9).left(13) + ';', "481" },
        { "emf cut", makePicture("emf", 120, 60).left(60), "481" },
        { "wmf without placeable header", makePicture("wmf", 120, 60).mid(22), "481" },
        { "avif ftyp alone", avif.left(meta), "481" }, { "avif without primary item", noPrimary, "481" },
        { "avif meta longer than the file", metaTooLong, "481" },
        { "avif box shorter than its header", boxTooShort, "481" },
        { "avif cut in its associations", avif.left(avif.indexOf("ipma") + 10), "481" },
        { "another brand", otherBrand, "481" }, { "no pixels wide", makeAvif({ "avif", 0, 60 }), "481" },
        { "a side past 2^24", makeAvif({ "avif", 1, (1 << 24) + 1 }), "481" },
        { "svg past 2^24", svg(R"(width="16777217" height="1")"), "481" },
        { "svgz unpacking past its limit", gzip(bomb), "481" },
        { "svgz cut", gzip(makePicture("svg", 9, 9)).left(30), "481" }, { "svgz of a png", gzip(png), "481" },
        { "bmp cut", makePicture("bmp", 9, 9).left(20), "481" },
        { "bmp past 2^24",
            "BM" + QByteArray(12, 0) + bytes<4>({ 40, 1, -(1 << 24) - 1 }) + bytes<2>({ 1, 24 })
                + bytes<4>({ 0 }),
            "481" },
        { "ico cut in its directory", icon(1, { { 16, 16 }, { 48, 48 } }).left(30), "481" },
        { "ico image outside the file", icon(1, { { 16, 16 } }).left(30), "481" },
        { "webp cut", makePicture("webp", 9, 9).left(24), "481" },
        { "webp lossy without key frame", webp("VP8 ", "\x01\0\0\x9d\x01\x2a" + bytes<2>({ 9, 9 })), "481" },
        { "tiff directory past the end", makePicture("tiff", 9, 9).left(8), "481" },
        { "tiff without height", tiff<false>({ { 256, 3, 40 } }), "481" },
        { "tiff past 2^24", tiff<true>({ { 256, 4, (1 << 24) + 1 }, { 257, 3, 1 } }), "481" },
        { "bigtiff", makePicture("tiff", 9, 9).replace(2, 1, "+"), "481" } });
}

TEST(MeasurePicture, FileSystemFailures)
{
    TempDir dir;
    const QString file = dir.write(u"plain.png"_s, makePicture("png", 2, 2));
    QDir(dir.path()).mkdir(u"folder.png"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file(u"pipe.png"_s)).constData(), 0600), 0);
    const std::pair<QString, const char*> cases[] = {
        { dir.file(u"absent.png"_s), "53" }, { dir.file(u"no-folder/absent.png"_s), "76" },
        { file + u"/inside.png"_s, "76" }, { dir.file(u"folder.png"_s), "482" }, { u"/dev/zero"_s, "482" },
        { dir.file(u"pipe.png"_s), "482" } // at once, waiting for no writer
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(said(MeasurePicture(path)), expected);
    }
}

} // namespace
} // namespace quillon
