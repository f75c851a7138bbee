#include "tests/hostile/HostileAnswers.h"

#include "tests/support/Pictures.h"

#include <QtEndian>

#include <zlib.h>

#include <memory>

namespace quillon::test {

namespace {

using namespace std::chrono_literals;

QByteArray be32(quint32 v)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(v, bytes.data());
    return bytes;
}

QByteArray le32(quint32 v)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(v, bytes.data());
    return bytes;
}

QByteArray le16(quint16 v)
{
    QByteArray bytes(2, Qt::Uninitialized);
    qToLittleEndian(v, bytes.data());
    return bytes;
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    const QByteArray typed = type + data;
    const auto crc
        = crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), static_cast<uInt>(typed.size()));
    return be32(static_cast<quint32>(data.size())) + typed + be32(static_cast<quint32>(crc));
}

QByteArray head(int status, const QByteArray& headers)
{
    const QByteArray reason = status == 200 ? "OK" : status == 302 ? "Found" : "Other";
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n" + headers
        + "Connection: close\r\n\r\n";
}

// Answers body once, with its length announced.
RawServer::Behaviour once(
    const QByteArray& contentType, const QByteArray& body, const QByteArray& extraHeaders = {})
{
    return [=](RawConnection& c) {
        c.send(head(200,
                   "Content-Type: " + contentType + "\r\nContent-Length: " + QByteArray::number(body.size())
                       + "\r\n" + extraHeaders)
            + body);
    };
}

// Sends chunk after chunk until the client leaves or the server stops.
void stream(RawConnection& c, const QByteArray& chunk)
{
    while (c.send(chunk)) { }
}

} // namespace

QByteArray pngAnnouncing(quint32 width, quint32 height)
{
    const QByteArray ihdr = be32(width) + be32(height) + QByteArray("\x08\x02\x00\x00\x00", 5);
    // A first row of pixels for the picture data, which is all a reader of the
    // header looks for.
    QByteArray row(16, '\0');
    QByteArray packed(64, Qt::Uninitialized);
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
        reinterpret_cast<const Bytef*>(row.constData()), static_cast<uLong>(row.size()));
    packed.truncate(static_cast<qsizetype>(packedSize));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", packed)
        + pngChunk("IEND", {});
}

QByteArray tiffAnnouncing(quint32 width, quint32 height)
{
    // Width, length, 8 bits, no compression, black is zero, one strip at offset 8.
    const struct {
        quint16 tag, type;
        quint32 value;
    } entries[] = {
        { 256, 4, width },
        { 257, 4, height },
        { 258, 3, 8 },
        { 259, 3, 1 },
        { 262, 3, 1 },
        { 273, 4, 8 },
        { 277, 3, 1 },
        { 278, 4, height },
        { 279, 4, 1 },
    };
    QByteArray tiff = QByteArray("II*\0", 4) + le32(8) + le16(std::size(entries));
    for (const auto& e : entries)
        tiff += le16(e.tag) + le16(e.type) + le32(1) + le32(e.value);
    return tiff + le32(0) + QByteArray(16, '\0');
}

QByteArray bmpAnnouncing(qint32 width, qint32 height)
{
    const QByteArray info = le32(40) + le32(static_cast<quint32>(width)) + le32(static_cast<quint32>(height))
        + le16(1) + le16(24) + QByteArray(24, '\0');
    return "BM" + le32(14 + 40 + 16) + le32(0) + le32(54) + info + QByteArray(16, '\0');
}

QByteArray gifAnnouncing(quint16 width, quint16 height)
{
    // The screen and one image of that size, with one pixel's worth of data.
    return "GIF89a" + le16(width) + le16(height) + QByteArray("\x00\x00\x00", 3) + ',' + le32(0) + le16(width)
        + le16(height) + QByteArray("\x00\x02\x02\x44\x01\x00;", 7);
}

QByteArray gzipOf(const QByteArray& prefix, qint64 fill, char filler, const QByteArray& suffix)
{
    z_stream stream {};
    // Runs only: as small as deflate makes them, and quick to make.
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_RLE);
    QByteArray out;
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    const auto feed = [&](const QByteArray& in, int flush) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
        stream.avail_in = static_cast<uInt>(in.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream.avail_out = static_cast<uInt>(buffer.size());
            deflate(&stream, flush);
            out.append(buffer.constData(), buffer.size() - static_cast<qsizetype>(stream.avail_out));
        } while (stream.avail_out == 0);
    };
    feed(prefix, Z_NO_FLUSH);
    const QByteArray block(1024 * 1024, filler);
    for (qint64 left = fill; left > 0; left -= block.size())
        feed(left >= block.size() ? block : block.left(left), Z_NO_FLUSH);
    feed(suffix, Z_FINISH);
    deflateEnd(&stream);
    return out;
}

QByteArray goodPicture()
{
    return makePicture(QStringLiteral("png"), kGoodWidth, kGoodHeight);
}

std::vector<HostileAnswer> serveHostileAnswers(RawServer& server)
{
    std::vector<HostileAnswer> answers;
    const auto add = [&](const char* path, ErrorCode code, RawServer::Behaviour behaviour) {
        server.on(QString::fromLatin1(path), std::move(behaviour));
        answers.push_back(HostileAnswer { QString::fromLatin1(path), code, false, false, std::nullopt });
        return &answers.back();
    };
    const QByteArray garbage(64 * 1024, 'z');

    // Bodies without end, with no length announced or announcing 2^40 bytes,
    // and a short body announced as 2^40 bytes.
    add("/endless", ErrorCode::TransferTooLarge,
        [=](RawConnection& c) {
            if (c.send(head(200, "Content-Type: image/png\r\n")))
                stream(c, garbage);
        })
        ->endless
        = true;
    add("/huge-length-endless", ErrorCode::TransferTooLarge,
        [=](RawConnection& c) {
            if (c.send(head(200, "Content-Type: image/png\r\nContent-Length: 1099511627776\r\n")))
                stream(c, garbage);
        })
        ->endless
        = true;
    add("/huge-length-short", ErrorCode::TransferTooLarge, [](RawConnection& c) {
        c.send(head(200, "Content-Type: image/png\r\nContent-Length: 1099511627776\r\n") + "short");
    });
    // Only the start is wanted, so the announced length is no reason to refuse;
    // the body then ends long before it.
    answers.back().headerOnlyCode = ErrorCode::TransferFailed;

    // A part that goes on past any part asked for, and a head that never ends.
    add("/endless-part", ErrorCode::TransferTooLarge,
        [=](RawConnection& c) {
            if (c.send("HTTP/1.1 206 Partial Content\r\nContent-Type: image/png\r\n"
                       "Content-Range: bytes 0-65535/1099511627776\r\nConnection: close\r\n\r\n"))
                stream(c, garbage);
        })
        ->endless
        = true;
    add("/endless-head", ErrorCode::TransferFailed, [](RawConnection& c) {
        if (c.send("HTTP/1.1 200 OK\r\n"))
            stream(c, QByteArray("X-Padding: 0123456789abcdef0123456789abcdef\r\n").repeated(1000));
    });

    // Stalls: a byte now and then, or nothing at all after the request.
    add("/trickle", ErrorCode::TransferTimedOut,
        [](RawConnection& c) {
            if (!c.send(head(200, "Content-Type: image/png\r\nContent-Length: 100000\r\n")))
                return;
            while (c.pause(200ms) && c.send("z")) { }
        })
        ->stalls
        = true;
    add("/silent", ErrorCode::TransferTimedOut,
        [](RawConnection& c) {
            while (c.pause(1h)) { }
        })
        ->stalls
        = true;

    add("/loop", ErrorCode::TooManyRedirects,
        [](RawConnection& c) { c.send(head(302, "Location: /loop\r\nContent-Length: 0\r\n")); });

    // Compressed without being asked: 128 MiB of zeros, and an SVG padded with a
    // comment of 128 MiB, each in about 128 KiB. Made once for all servers.
    constexpr qint64 unpacked = 128LL * 1024 * 1024;
    static const QByteArray zeros = gzipOf({}, unpacked, '\0', {});
    add("/bomb", ErrorCode::NotAPicture, once("image/png", zeros, "Content-Encoding: gzip\r\n"));
    static const QByteArray svgBomb = gzipOf(
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><!--)", unpacked, ' ', "--></svg>");
    add("/svg-bomb", ErrorCode::NotAPicture, once("image/svg+xml", svgBomb, "Content-Encoding: gzip\r\n"));

    // Headers that announce sides no picture can have.
    add("/png-2g", ErrorCode::NotAPicture, once("image/png", pngAnnouncing(0x80000000, 0x80000000)));
    add("/png-max", ErrorCode::NotAPicture, once("image/png", pngAnnouncing(0x7fffffff, 0x7fffffff)));
    add("/tiff-max", ErrorCode::NotAPicture, once("image/tiff", tiffAnnouncing(0x7fffffff, 0x7fffffff)));
    add("/tiff-4g", ErrorCode::NotAPicture, once("image/tiff", tiffAnnouncing(0xffffffff, 0xffffffff)));
    add("/bmp-max", ErrorCode::NotAPicture, once("image/bmp", bmpAnnouncing(0x7fffffff, INT32_MIN)));
    add("/svg-max", ErrorCode::NotAPicture,
        once("image/svg+xml", R"(<svg xmlns="http://www.w3.org/2000/svg" width="2147483647" height="1"/>)"));

    add("/error-page", ErrorCode::NotAPicture,
        once("text/html", "<html><head><title>Oops</title></head><body>Not found, sorry.</body></html>"));

    server.on(QStringLiteral("/good.png"), once("image/png", goodPicture()));
    server.on(QStringLiteral("/gif-max.gif"), once("image/gif", gifAnnouncing(0xffff, 0xffff)));
    // Announced as 2^40 bytes too: only the start is read, so the length is no bar.
    server.on(QStringLiteral("/endless-picture.png"), [=](RawConnection& c) {
        if (c.send(head(200, "Content-Type: image/png\r\nContent-Length: 1099511627776\r\n") + goodPicture()))
            stream(c, garbage);
    });
    return answers;
}

} // namespace quillon::test
