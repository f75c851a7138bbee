#include "engine/CommonHeaders.h"
#include "engine/PictureMeasure.h"

#include "tests/support/Pictures.h"
#include "tests/support/TempDir.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

// Lets gtest print a size in its failure messages.
void PrintTo(const PictureSize& s, std::ostream* os)
{
    *os << s.widthText().toStdString() << "x" << s.heightText().toStdString();
}

namespace {

using test::AvifParts;
using test::isoBox;
using test::isoFullBox;
using test::makeAvif;
using test::makeJpegWithOrientation;
using test::makePicture;
using test::TempDir;

PictureSize sized(double w, double h)
{
    return PictureSize { w, h };
}

int codeOf(const Result<PictureSize>& r)
{
    return r.ok() ? 0 : r.failure().code;
}

// --- Every format at a few sizes ---------------------------------------------

struct FormatCase {
    const char* format;
    int width;
    int height;
};

void PrintTo(const FormatCase& c, std::ostream* os)
{
    *os << c.format << " " << c.width << "x" << c.height;
}

class MeasureFormat : public ::testing::TestWithParam<FormatCase> { };

TEST_P(MeasureFormat, FileAndBytesGiveTheStoredSize)
{
    const FormatCase c = GetParam();
    const QString format = QString::fromLatin1(c.format);
    const QByteArray bytes = makePicture(format, c.width, c.height);
    TempDir dir;
    const QString path = dir.write(QStringLiteral("picture.") + format, bytes);

    const auto fromFile = MeasurePicture(path);
    ASSERT_TRUE(fromFile.ok()) << fromFile.failure().toString().toStdString();
    EXPECT_EQ(*fromFile, sized(c.width, c.height));

    const auto fromBytes = MeasurePictureData(bytes);
    ASSERT_TRUE(fromBytes.ok()) << fromBytes.failure().toString().toStdString();
    EXPECT_EQ(*fromBytes, sized(c.width, c.height));

    // The header must tell the truth about the picture: where Qt can decode the
    // made file, the decoded picture has the measured size.
    if (format != QLatin1String("wmf") && format != QLatin1String("emf")) {
        const QImage decoded = QImage::fromData(bytes);
        EXPECT_EQ(decoded.width(), c.width);
        EXPECT_EQ(decoded.height(), c.height);
    }
}

std::vector<FormatCase> everyFormatAtSeveralSizes()
{
    std::vector<FormatCase> cases;
    for (const char* f : { "png", "bmp", "jpg", "gif", "ico", "cur", "webp", "tiff", "svg", "wmf", "emf" })
        for (auto [w, h] : { std::pair { 120, 60 }, { 1, 1 }, { 37, 23 }, { 23, 250 } })
            cases.push_back({ f, w, h });
    return cases;
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, MeasureFormat, ::testing::ValuesIn(everyFormatAtSeveralSizes()), [](const auto& info) {
        return std::string(info.param.format) + "_" + std::to_string(info.param.width) + "x"
            + std::to_string(info.param.height);
    });

// --- The common formats read without Qt's readers ---------------------------

// What Qt's own reader says of bytes, turned as it would turn it.
std::optional<PictureSize> qtSize(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        return sized(size.height(), size.width());
    return sized(size.width(), size.height());
}

TEST(CommonHeaders, ReadWithoutQtAgreeWithQtAndLeaveTheUnusualToIt)
{
    std::vector<std::pair<std::string, QByteArray>> whole;
    for (const char* format : { "png", "gif", "jpg" })
        for (auto [w, h] : { std::pair { 120, 60 }, { 1, 1 }, { 23, 250 } })
            whole.push_back({ std::string(format) + " " + std::to_string(w), makePicture(format, w, h) });
    for (int orientation = 1; orientation <= 8; ++orientation)
        whole.push_back(
            { "exif " + std::to_string(orientation), makeJpegWithOrientation(40, 20, orientation) });
    for (const auto& [name, bytes] : whole) {
        SCOPED_TRACE(name);
        const std::optional<PictureSize> quick = commonHeaderSize(bytes);
        ASSERT_TRUE(quick.has_value());
        EXPECT_EQ(*quick, *qtSize(bytes));
    }

    const QByteArray png = makePicture("png", 9, 9);
    const QByteArray jpeg = makePicture("jpg", 9, 9);
    QByteArray badCrc = png;
    badCrc[29] = char(badCrc[29] ^ 1);
    QByteArray twelveBits = jpeg;
    twelveBits[twelveBits.indexOf("\xff\xc0") + 4] = 12;
    const std::pair<const char*, QByteArray> unusual[] = {
        { "png cut before its data", png.left(png.indexOf("IDAT") - 4) },
        { "png header with a wrong check", badCrc },
        { "jpeg cut before its scan", jpeg.left(jpeg.indexOf("\xff\xda")) },
        { "jpeg of 12-bit samples", twelveBits },
        { "gif without a picture", makePicture("gif", 9, 9).left(13) + ";" },
    };
    for (const auto& [name, bytes] : unusual) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(commonHeaderSize(bytes).has_value());
    }
}

// --- Content decides, not the name -------------------------------------------

TEST(MeasurePicture, ContentDecidesOverTheFileName)
{
    TempDir dir;
    EXPECT_EQ(*MeasurePicture(dir.write("png-inside.gif", makePicture("png", 40, 30))), sized(40, 30));
    EXPECT_EQ(*MeasurePicture(dir.write("jpeg-inside.png", makePicture("jpg", 41, 31))), sized(41, 31));
    EXPECT_EQ(*MeasurePicture(dir.write("no-extension", makePicture("gif", 42, 32))), sized(42, 32));
    EXPECT_EQ(*MeasurePicture(dir.write("emf-inside.bmp", makePicture("emf", 43, 33))), sized(43, 33));
}

// --- Failures ----------------------------------------------------------------

TEST(MeasurePictureFailure, MissingFileAndMissingFolderAreToldApart)
{
    TempDir dir;
    EXPECT_EQ(codeOf(MeasurePicture(dir.file("absent.png"))), 53);
    EXPECT_EQ(codeOf(MeasurePicture(dir.file("no-such-folder/absent.png"))), 76);
    // A file standing where a folder should be is a missing folder as well.
    const QString file = dir.write("plain.png", makePicture("png", 2, 2));
    EXPECT_EQ(codeOf(MeasurePicture(file + "/inside.png")), 76);
}

TEST(MeasurePictureFailure, FolderAndDeviceAreNotRegularFiles)
{
    TempDir dir;
    QDir(dir.path()).mkdir("folder.png");
    EXPECT_EQ(codeOf(MeasurePicture(dir.file("folder.png"))), 482);
    EXPECT_EQ(codeOf(MeasurePicture("/dev/zero")), 482);
}

TEST(MeasurePictureFailure, FifoFailsWithoutWaitingForAWriter)
{
    TempDir dir;
    const QString fifo = dir.file("pipe.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    auto measuring = std::async(std::launch::async, [&] { return codeOf(MeasurePicture(fifo)); });
    if (measuring.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Release the blocked reader so the test ends with a failure, not a hang.
        const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        ADD_FAILURE() << "measuring a FIFO blocked";
        measuring.wait();
        ::close(writer);
        return;
    }
    EXPECT_EQ(measuring.get(), 482);
}

struct NotAPictureCase {
    const char* name;
    QByteArray bytes;
};

std::vector<NotAPictureCase> notPictures()
{
    const QByteArray png = makePicture("png", 120, 60);
    const QByteArray jpg = makePicture("jpg", 120, 60);
    const QByteArray svg = makePicture("svg", 120, 60);
    const QByteArray emf = makePicture("emf", 120, 60);
    QByteArray bareWmf = makePicture("wmf", 120, 60).mid(22);
    return {
        { "Empty", QByteArray() },
        { "HtmlErrorPage",
            "<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>"
            "<body><h1>Not Found</h1></body></html>\n" },
        { "PngCutInItsHeader", png.left(20) },
        { "PngCutAfterItsSignature", png.left(8) },
        { "JpegCutBeforeItsFrame", jpg.left(100) },
        { "SvgCutInItsRoot", svg.left(svg.indexOf("height")) },
        { "WmfWithoutPlaceableHeader", bareWmf },
        { "EmfCutInItsHeader", emf.left(60) },
        { "PlainText", "width=120 height=60\n" },
        // Qt reads these, browsers do not.
        { "PortableBitmap", "P1\n3 2\n0 1 0\n1 0 1\n" },
        { "XBitmap", "#define a_width 8\n#define a_height 2\nstatic char a_bits[] = { 0x00, 0x00 };\n" },
        { "ZeroSizedSvg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"0\" height=\"10\"/>" },
    };
}

void PrintTo(const NotAPictureCase& c, std::ostream* os)
{
    *os << c.name;
}

class NotAPicture : public ::testing::TestWithParam<NotAPictureCase> { };

TEST_P(NotAPicture, Fails481FromFileAndFromBytes)
{
    const NotAPictureCase& c = GetParam();
    TempDir dir;
    EXPECT_EQ(codeOf(MeasurePicture(dir.write("picture.png", c.bytes))), 481);
    EXPECT_EQ(codeOf(MeasurePictureData(c.bytes)), 481);
}

INSTANTIATE_TEST_SUITE_P(Files, NotAPicture, ::testing::ValuesIn(notPictures()),
    [](const auto& info) { return std::string(info.param.name); });

// --- SVG lengths -------------------------------------------------------------

struct SvgCase {
    const char* root; // the attributes of the root element
    double width; // 0: not a picture
    double height;
};

TEST(SvgSize, AbsoluteUnitsAtNinetySixPerInchRoundedRelativeOnesFromTheViewBox)
{
    const SvgCase cases[] = {
        { R"(width="72pt" height="36pt")", 96, 48 },
        { R"(width="1in" height="0.5in")", 96, 48 },
        { R"(width="2.54cm" height="25.4mm")", 96, 96 },
        { R"(width="6pc" height="40Q")", 96, 38 }, // 37.8
        { R"(width="37.6" height="12.5px")", 38, 13 }, // halves away from zero
        { R"(width=" 10.49PX " height="1e1")", 10, 10 },
        { R"(width="0.2" height="5")", 1, 5 }, // too thin to round to a pixel is still one
        // Relative lengths, or none, leave the viewBox to decide.
        { R"(width="50%" height="10em" viewBox="0 0 300 150")", 300, 150 },
        { R"(viewBox="0,0,64,32")", 64, 32 },
        // One absolute side: the other follows the viewBox's proportions.
        { R"(width="1in" viewBox="0 0 200 100")", 96, 48 },
        { R"(width="100%" height="30pt" viewBox="0 0 300 150")", 80, 40 },
        { R"(width="0" height="10" viewBox="0 0 10 10")", 0, 0 },
        { R"(width="-5" height="10" viewBox="0 0 10 10")", 10, 10 },
        // Cut short after its root: a browser shows nothing.
        { R"(width="10" height="10"><g)", 0, 0 },
    };
    for (const SvgCase& c : cases) {
        SCOPED_TRACE(c.root);
        const QByteArray svg = QByteArray("<?xml version=\"1.0\"?>\n<!-- drawn by hand -->\n"
                                          "<svg xmlns=\"http://www.w3.org/2000/svg\" ")
            + c.root + "><rect x=\"1\" y=\"1\" width=\"4\" height=\"4\"/></svg>\n";
        const auto measured = MeasurePictureData(svg);
        if (c.width == 0) {
            EXPECT_EQ(codeOf(measured), 481);
        } else {
            ASSERT_TRUE(measured.ok()) << measured.failure().toString().toStdString();
            EXPECT_EQ(*measured, sized(c.width, c.height));
        }
    }
}

// --- AVIF and HEIF -----------------------------------------------------------

TEST(AvifHeader, PrimaryItemSizeTurnedByQuarterRotations)
{
    const struct {
        AvifParts parts;
        PictureSize size;
    } cases[] = {
        { {}, sized(120, 60) },
        { { "heic", 4032, 3024 }, sized(4032, 3024) },
        { { "mif1", 640, 480, 1 }, sized(480, 640) },
        { { "avif", 640, 480, 2 }, sized(640, 480) },
        { { "avif", 640, 480, 3 }, sized(480, 640) },
        { { "avis", 33, 17, -1, 5000 }, sized(33, 17) },
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.parts.brand) + " " + std::to_string(c.parts.rotation));
        const QByteArray bytes = makeAvif(c.parts);
        EXPECT_EQ(*MeasurePicture(dir.write("picture.avif", bytes)), c.size);
        EXPECT_EQ(*MeasurePictureData(bytes), c.size);
        // The header is all it takes: the start of a download measures the same.
        EXPECT_EQ(*MeasurePictureData(bytes.left(bytes.indexOf("mdat") + 4)), c.size);
    }
}

TEST(AvifHeader, DamagedHeadersAreNotPictures)
{
    const QByteArray whole = makeAvif();
    const qsizetype meta = whole.indexOf("meta") - 4;
    const QByteArray ftyp = whole.left(meta);
    QByteArray noPrimary = whole;
    noPrimary.replace("pitm", "xxxx");
    QByteArray zeroWide = makeAvif({ "avif", 0, 60 });
    QByteArray metaTooLong = whole;
    metaTooLong[meta + 2] = 0x7f; // the meta box claims far more than the file holds
    QByteArray boxShorterThanItsHeader = whole;
    boxShorterThanItsHeader[meta + 3] = 4;
    QByteArray hugeLargeSize = ftyp;
    hugeLargeSize += QByteArray("\0\0\0\1free\x7f\xff\xff\xff\xff\xff\xff\xf0", 16) + whole.mid(meta);
    QByteArray cutInIpma = whole.left(whole.indexOf("ipma") + 10);
    QByteArray manyBoxes = ftyp;
    for (int i = 0; i < 100; ++i)
        manyBoxes += isoBox("free", QByteArray());
    manyBoxes += whole.mid(meta);
    QByteArray hugeMeta = ftyp + isoFullBox("meta", 0, 0, QByteArray(2 * 1024 * 1024, '\0'));

    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        { "ftyp alone", ftyp },
        { "no primary item", noPrimary },
        { "no pixels wide", zeroWide },
        { "meta longer than the file", metaTooLong },
        { "box shorter than its header", boxShorterThanItsHeader },
        { "64-bit size past any file", hugeLargeSize },
        { "cut in the associations", cutInIpma },
        { "too many boxes before meta", manyBoxes },
        { "meta of two megabytes", hugeMeta },
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(codeOf(MeasurePictureData(c.bytes)), 481);
        EXPECT_EQ(codeOf(MeasurePicture(dir.write("picture.avif", c.bytes))), 481);
    }
    // A 64-bit size that tells the truth, and a last box running to the end, are read.
    QByteArray largeSize = ftyp + QByteArray("\0\0\0\1free\0\0\0\0\0\0\0\x14", 16) + QByteArray(4, '\0');
    largeSize += whole.mid(meta, whole.indexOf("mdat") - 4 - meta) + QByteArray("\0\0\0\0mdat", 8) + "rest";
    EXPECT_EQ(*MeasurePictureData(largeSize), sized(120, 60));
    // Another brand in the same container is no picture of ours.
    QByteArray video = whole;
    video.replace("avif", "isom");
    video.replace("mif1", "iso2");
    EXPECT_EQ(codeOf(MeasurePictureData(video)), 481);
}

// --- EXIF orientation --------------------------------------------------------

class JpegOrientation : public ::testing::TestWithParam<int> { };

TEST_P(JpegOrientation, QuarterTurnsSwapWidthAndHeight)
{
    const int orientation = GetParam();
    const auto measured = MeasurePictureData(makeJpegWithOrientation(40, 20, orientation));
    ASSERT_TRUE(measured.ok());
    EXPECT_EQ(*measured, orientation >= 5 ? sized(20, 40) : sized(40, 20));
}

INSTANTIATE_TEST_SUITE_P(Marks, JpegOrientation, ::testing::Range(1, 9));

// That this is read from the header without decoding is shown by the benchmark
// (MeasureBench), not by a timed test.
TEST(MeasurePicture, TurnedLargeJpegMeasuresTurned)
{
    TempDir dir;
    const QString path = dir.write("large.jpg", makeJpegWithOrientation(4000, 3000, 6));
    EXPECT_EQ(*MeasurePicture(path), sized(3000, 4000));
}

// --- Announced sizes are only numbers ----------------------------------------

quint32 crc32(QByteArrayView bytes)
{
    quint32 crc = 0xffffffff;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

TEST(MeasurePicture, HugeAnnouncedPngSizeIsMeasuredNotAllocated)
{
    QByteArray png = makePicture("png", 1, 1);
    // IHDR's width and height, then its CRC over the chunk type and data.
    qToBigEndian<quint32>(100000, png.data() + 16);
    qToBigEndian<quint32>(100000, png.data() + 20);
    qToBigEndian<quint32>(crc32(QByteArrayView(png).sliced(12, 17)), png.data() + 29);
    EXPECT_EQ(*MeasurePictureData(png), sized(100000, 100000));
}

// --- Windows metafiles -------------------------------------------------------

// A placeable WMF with the given box and units per inch, its checksum kept right.
QByteArray placeableWmf(qint16 left, qint16 top, qint16 right, qint16 bottom, quint16 unitsPerInch)
{
    QByteArray b = makePicture("wmf", 10, 10);
    qToLittleEndian<qint16>(left, b.data() + 6);
    qToLittleEndian<qint16>(top, b.data() + 8);
    qToLittleEndian<qint16>(right, b.data() + 10);
    qToLittleEndian<qint16>(bottom, b.data() + 12);
    qToLittleEndian<quint16>(unitsPerInch, b.data() + 14);
    quint16 checksum = 0;
    for (int at = 0; at < 20; at += 2)
        checksum ^= qFromLittleEndian<quint16>(b.data() + at);
    qToLittleEndian<quint16>(checksum, b.data() + 20);
    return b;
}

TEST(WindowsMetafile, PlaceableBoxAtItsOwnUnitsPerInch)
{
    EXPECT_EQ(*MeasurePictureData(placeableWmf(0, 0, 1800, 900, 1440)), sized(120, 60));
    // Hundredths of a millimetre, and a box that does not start at the origin.
    EXPECT_EQ(*MeasurePictureData(placeableWmf(-2540, 500, 2540, 3040, 2540)), sized(192, 96));
    EXPECT_EQ(*MeasurePictureData(placeableWmf(0, 0, 1000, 250, 1000)), sized(96, 24));
    // Corners given the wrong way round describe the same box.
    EXPECT_EQ(*MeasurePictureData(placeableWmf(1800, 900, 0, 0, 1440)), sized(120, 60));
}

TEST(WindowsMetafile, RoundsToWholePixelsHalvesUp)
{
    EXPECT_EQ(*MeasurePictureData(placeableWmf(0, 0, 1000, 22, 1440)), sized(67, 1)); // 66.67, 1.47
    EXPECT_EQ(*MeasurePictureData(placeableWmf(0, 0, 3, 23, 192)), sized(2, 12)); // 1.5, 11.5
    EXPECT_EQ(*MeasurePictureData(placeableWmf(0, 0, 1, 1, 1440)), sized(1, 1)); // tiny, never zero
}

TEST(WindowsMetafile, ChecksumDoesNotDecide)
{
    QByteArray b = placeableWmf(0, 0, 1800, 900, 1440);
    b[20] = char(b[20] ^ 0x5a);
    EXPECT_EQ(*MeasurePictureData(b), sized(120, 60));
}

TEST(WindowsMetafile, PlaceableWithoutSizeIsNotAPicture)
{
    EXPECT_EQ(codeOf(MeasurePictureData(placeableWmf(0, 0, 1800, 900, 0))), 481);
    EXPECT_EQ(codeOf(MeasurePictureData(placeableWmf(100, 0, 100, 900, 1440))), 481);
    EXPECT_EQ(codeOf(MeasurePictureData(placeableWmf(0, 0, 1800, 900, 1440).left(30))), 481);
}

// An EMF whose frame is the given rectangle; its bounds say something else.
QByteArray emfWithFrame(qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    QByteArray b = makePicture("emf", 500, 400);
    const qint32 frame[] = { left, top, right, bottom };
    for (int i = 0; i < 4; ++i)
        qToLittleEndian<qint32>(frame[i], b.data() + 24 + 4 * i);
    return b;
}

TEST(WindowsMetafile, EnhancedFrameInHundredthsOfAMillimetre)
{
    EXPECT_EQ(*MeasurePictureData(emfWithFrame(0, 0, 3175, 1587)), sized(120, 60)); // 120, 59.98
    EXPECT_EQ(*MeasurePictureData(emfWithFrame(1000, 2000, 3540, 4540)), sized(96, 96));
    EXPECT_EQ(*MeasurePictureData(emfWithFrame(0, 0, 100, 13)), sized(4, 1)); // 3.78, 0.49
    EXPECT_EQ(codeOf(MeasurePictureData(emfWithFrame(0, 0, 0, 1000))), 481);
}

} // namespace
} // namespace quillon
