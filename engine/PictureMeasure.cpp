#include "engine/PictureMeasure.h"

#include "engine/WindowsMetafile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <iterator>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>
#include <cerrno>
#endif

namespace quillon {

namespace {

// The formats browsers show. Qt's other plugins (TGA, WBMP, XBM, PBM and the like)
// would take some text and binary files for pictures and are left out.
bool isWebFormat(const QByteArray& format)
{
    static const QByteArray formats[] = { "bmp", "gif", "jpeg", "png", "webp", "tiff", "svg", "svgz" };
    return std::find(std::begin(formats), std::end(formats), format) != std::end(formats);
}

// Qt's icon plugin reads icons and cursors but leaves the format empty, so they
// are recognised by their own header: a zero word, type 1 (icon) or 2 (cursor),
// and at least one image.
bool looksLikeIcon(QByteArrayView head)
{
    if (head.size() < 6)
        return false;
    const auto word = [&](int at) { return quint8(head[at]) | quint8(head[at + 1]) << 8; };
    return word(0) == 0 && (word(2) == 1 || word(2) == 2) && word(4) > 0;
}

Failure notAPicture(const QString& what, const QString& why)
{
    return Failure(ErrorCode::NotAPicture, what.isEmpty() ? why : QStringLiteral("%1: %2").arg(what, why));
}

// what names the picture in failures; empty for pictures held in memory.
Result<PictureSize> measureDevice(QIODevice& device, const QString& what)
{
    const QByteArray head = device.peek(kMetafileHeadSize);
    if (auto metafile = measureWindowsMetafile(head)) {
        if (!metafile->ok())
            return notAPicture(what, metafile->failure().description);
        return *metafile;
    }

    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    // A PNG, JPEG or SVG cut short leaves the size invalid while error() still
    // says UnknownError, so the size alone decides.
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return notAPicture(what, QStringLiteral("no picture of a known kind, or one cut short"));
    const QByteArray format = reader.format();
    if (format.isEmpty() ? !looksLikeIcon(head) : !isWebFormat(format))
        return notAPicture(what, QStringLiteral("a kind of picture browsers do not show"));

    // Only the header's orientation mark is read here, not the picture.
    if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        return PictureSize { double(size.height()), double(size.width()) };
    return PictureSize { double(size.width()), double(size.height()) };
}

} // namespace

Result<PictureSize> MeasurePicture(const QString& path)
{
    QFile file;
#ifdef Q_OS_UNIX
    // O_NONBLOCK so that opening a FIFO does not wait for a writer; fstat before
    // any read turns folders, FIFOs and devices away.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failureFromErrno(errno, path);
    struct stat st { };
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return failureFromErrno(err, path);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Failure(ErrorCode::NotARegularFile, path);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Failure(ErrorCode::FileAccessError, QStringLiteral("%1: %2").arg(path, file.errorString()));
    }
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
