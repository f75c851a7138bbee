#include "engine/PictureMeasure.h"

#include "tests/support/Pictures.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QImage>
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
