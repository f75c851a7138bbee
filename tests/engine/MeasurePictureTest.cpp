#include "engine/measure/PictureMeasure.h"

#include "tests/support/Pictures.h"
#include "tests/support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

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

TEST(MeasurePicture, EachFormatAtItsSizeTurnedAsShown)
{
    // The primary item's size, turned by irot; the header alone is enough.
    const QByteArray avif = makeAvif();
    std::vector<Case> cases
        = { { "avif", avif, "120x60" }, { "avif header", avif.left(avif.indexOf("mdat") + 4), "120x60" },
              { "heic", makeAvif({ "heic", 4032, 3024 }), "4032x3024" },
              { "irot 1", makeAvif({ "mif1", 640, 480, 1 }), "480x640" },
              { "irot 2", makeAvif({ "avif", 640, 480, 2 }), "640x480" },
              { "sides at the limit", makeAvif({ "avif", 1 << 24, 1 }), "16777216x1" },
              { "svgz", gzip(makePicture("svg", 120, 60)), "120x60" },
              { "large exif", makeJpegWithOrientation(4000, 3000, 6), "3000x4000" } };
    for (const char* f : { "png", "bmp", "jpg", "gif", "ico", "cur", "webp", "tiff", "svg", "wmf", "emf" }) {
        cases.push_back({ f, makePicture(f, 120, 60), "120x60" });
        cases.push_back({ std::string(f) + " tall", makePicture(f, 1, 250), "1x250" });
    }
    // An EXIF mark of 5 to 8 turns a JPEG a quarter.
    for (int mark = 1; mark <= 8; ++mark)
        cases.push_back({ "exif " + std::to_string(mark), makeJpegWithOrientation(40, 20, mark),
            mark >= 5 ? "20x40" : "40x20" });
    expectMeasures(cases);
}

// Absolute lengths at 96 pixels to the inch, rounded half away from zero;
// relative ones, or none, leave the viewBox to decide.
TEST(MeasurePicture, SvgLengths)
{
    expectMeasures({ { "pt", svg(R"(width="72pt" height="36pt")"), "96x48" },
        { "in", svg(R"(width="1in" height="0.5in")"), "96x48" },
        { "cm mm", svg(R"(width="2.54cm" height="25.4mm")"), "96x96" },
        { "pc Q", svg(R"(width="6pc" height="40Q")"), "96x38" },
        { "px", svg(R"(width="37.6" height=" 12.5PX ")"), "38x13" },
        { "thin", svg(R"(width="0.2" height="5")"), "1x5" },
        { "relative", svg(R"(width="50%" height="10em" viewBox="0 0 300 150")"), "300x150" },
        { "no lengths", svg(R"(viewBox="0,0,64,32")"), "64x32" },
        { "width only", svg(R"(width="1in" viewBox="0 0 200 100")"), "96x48" },
        { "height only", svg(R"(width="100%" height="30pt" viewBox="0 0 300 150")"), "80x40" },
        { "zero", svg(R"(width="0" height="10" viewBox="0 0 10 10")"), "481" },
        { "negative", svg(R"(width="-5" height="10" viewBox="0 0 10 10")"), "10x10" },
        { "cut short", svg(R"(width="10" height="10")", "<g"), "481" } });
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
        { "svgz cut", gzip(makePicture("svg", 9, 9)).left(30), "481" },
        { "svgz of a png", gzip(png), "481" } });
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
