#include "engine/measure/PictureMeasure.h"

#include "engine/measure/AvifHeader.h"
#include "engine/measure/CommonHeaders.h"
#include "engine/measure/MoreHeaders.h"
#include "engine/measure/SvgSize.h"
#include "engine/measure/WindowsMetafile.h"

#include <QBuffer>
#include <QFile>

#include <zlib.h>

#include <algorithm>

#ifdef Q_OS_UNIX
#include "platform/FileReading.h"
#else
#include <QFileInfo>
#include <cerrno>
#endif

namespace quillon {

namespace {

// An SVG is text: its first byte, after a byte order mark and blanks, opens markup.
bool looksLikeMarkup(QByteArrayView head)
{
    if (head.startsWith("\xef\xbb\xbf"))
        head = head.sliced(3);
    else if (head.startsWith("\xff\xfe") || head.startsWith("\xfe\xff"))
        return true; // UTF-16, left to the XML reader to tell
    while (!head.isEmpty() && (head[0] == ' ' || head[0] == '\t' || head[0] == '\r' || head[0] == '\n'))
        head = head.sliced(1);
    return head.startsWith('<');
}

Failure notAPicture(const QString& what, const QString& why)
{
    return Failure(ErrorCode::NotAPicture, what.isEmpty() ? why : QStringLiteral("%1: %2").arg(what, why));
}

// No browser lays out a picture wider or taller than this (Firefox's coordinates
// end near 17.9 million pixels), and no real picture comes near it: a header
// that says more is damaged or made to harm, and its numbers must not reach a tag.

// A compressed SVG (svgz) is unpacked here, never by Qt's reader, which unpacks
// all of it in memory before it reads a byte: a megabyte can unpack to a gigabyte.
// Past this much unpacked text the file is refused.
constexpr qsizetype kMaxUnpacked = 8 * 1024 * 1024;

bool isGzip(QByteArrayView head)
{
    return head.size() >= 2 && quint8(head[0]) == 0x1f && quint8(head[1]) == 0x8b;
}

// The first member of the gzip data that device holds, unpacked; a failure when it
// is damaged, cut short or longer than kMaxUnpacked.
Result<QByteArray> unpackGzip(QIODevice& device)
{
    z_stream stream {};
    // 16 + MAX_WBITS: a gzip wrapper, not zlib's own.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return Failure(ErrorCode::NotAPicture, QStringLiteral("compressed data that cannot be unpacked"));
    QByteArray unpacked;
    QByteArray in(64 * 1024, Qt::Uninitialized);
    QByteArray out(64 * 1024, Qt::Uninitialized);
    int rc = Z_OK;
    QString why;
    while (rc != Z_STREAM_END && why.isEmpty()) {
        const qint64 got = device.read(in.data(), in.size());
        if (got <= 0) {
            why = QStringLiteral("compressed data cut short");
            break;
        }
        stream.next_in = reinterpret_cast<Bytef*>(in.data());
        stream.avail_in = static_cast<uInt>(got);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = static_cast<uInt>(out.size());
            rc = inflate(&stream, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
                why = QStringLiteral("damaged compressed data");
                break;
            }
            const qsizetype produced = out.size() - static_cast<qsizetype>(stream.avail_out);
            if (unpacked.size() + produced > kMaxUnpacked) {
                why = QStringLiteral("compressed data that unpacks to more than %1 bytes").arg(kMaxUnpacked);
                break;
            }
            unpacked.append(out.constData(), produced);
        } while (stream.avail_out == 0 && rc != Z_STREAM_END);
    }
    inflateEnd(&stream);
    if (!why.isEmpty())
        return Failure(ErrorCode::NotAPicture, why);
    return unpacked;
}

Result<PictureSize> withinLimits(PictureSize size, const QString& what)
{
    if (size.width > PictureSize::kMaxSide || size.height > PictureSize::kMaxSide)
        return notAPicture(what,
            QStringLiteral("a size of %1 x %2 pixels, more than any browser shows")
                .arg(size.widthText(), size.heightText()));
    return size;
}

// what names the picture in failures; empty for pictures held in memory. unpacked
// is set for the contents of a compressed file, which must be an SVG.
Result<PictureSize> measureDevice(QIODevice& device, const QString& what, bool unpacked = false)
{
    // No more is asked for than the file holds: most pictures of a page are
    // far smaller than the head a large one may need.
    qint64 headSize = std::max(kCommonHeadSize, kMetafileHeadSize);
    if (!device.isSequential())
        headSize = std::clamp<qint64>(device.size() - device.pos(), 0, headSize);
    const QByteArray head = device.peek(headSize);
    if (isGzip(head)) {
        if (unpacked)
            return notAPicture(what, QStringLiteral("compressed data inside compressed data"));
        const Result<QByteArray> svg = unpackGzip(device);
        if (!svg.ok())
            return notAPicture(what, svg.failure().description);
        QBuffer buffer;
        buffer.setData(*svg);
        buffer.open(QIODevice::ReadOnly);
        return measureDevice(buffer, what, true);
    }
    // A size a format's own header gave; a compressed file may hold only an SVG.
    const auto fromHeader = [&](const Result<PictureSize>& size) -> Result<PictureSize> {
        if (!size.ok())
            return notAPicture(what, size.failure().description);
        if (unpacked)
            return notAPicture(what, QStringLiteral("a compressed file that holds no SVG"));
        return withinLimits(*size, what);
    };
    if (const auto iso = measureAvifHeader(device))
        return fromHeader(*iso);
    if (const auto metafile = measureWindowsMetafile(head))
        return fromHeader(*metafile);
    if (const std::optional<PictureSize> common = commonHeaderSize(head))
        return fromHeader(*common);
    if (head.startsWith("\xff\xd8\xff") && !device.isSequential()
        && device.size() - device.pos() > head.size()) {
        if (const std::optional<PictureSize> late = commonHeaderSize(jpegSizeSegments(device)))
            return fromHeader(*late);
    }
    if (const auto more = measureMoreHeaders(device, head))
        return fromHeader(*more);
    if (!looksLikeMarkup(head))
        return notAPicture(what, QStringLiteral("no picture of a known kind, or one cut short"));

    const Result<std::optional<PictureSize>> declared = svgDeclaredSize(device);
    if (!declared)
        return notAPicture(what, declared.failure().description);
    if (!*declared)
        return notAPicture(what, QStringLiteral("an SVG that tells no size"));
    if ((*declared)->width == 0 || (*declared)->height == 0)
        return notAPicture(what, QStringLiteral("an SVG of no size"));
    return withinLimits(**declared, what);
}

} // namespace

Result<PictureSize> MeasurePicture(const QString& path)
{
    QFile file;
#ifdef Q_OS_UNIX
    const Result<RegularFile> opened = openRegularFile(path);
    if (!opened)
        return opened.failure();
    // The descriptor stays with opened, which outlives the reading.
    if (!file.open(opened->descriptor.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return Failure(ErrorCode::FileAccessError, QStringLiteral("%1: %2").arg(path, file.errorString()));
#else
    // Without open(2) the type is checked first; a FIFO swapped in between the two
    // steps could still block here.
    const QFileInfo info(path);
    if (!info.exists())
        return failureFromErrno(ENOENT, path);
    if (!info.isFile())
        return Failure(ErrorCode::NotARegularFile, path);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(ErrorCode::FileAccessError, QStringLiteral("%1: %2").arg(path, file.errorString()));
#endif
    return measureDevice(file, path);
}

Result<PictureSize> MeasurePictureData(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return measureDevice(buffer, QString());
}

} // namespace quillon
