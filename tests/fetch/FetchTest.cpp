// The fetcher and the run's download area against a loopback server that answers
// well and badly, with limits short enough that a bad answer costs a second or two.

#include "engine/fetch/CurlFetcher.h"
#include "engine/fetch/DownloadArea.h"
#include "engine/fetch/SizeCache.h"
#include "engine/measure/PictureMeasure.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/Pictures.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <thread>

namespace quillon {
namespace {

using namespace std::chrono_literals;
using test::slurp;

constexpr qint64 kMaxBytes = 1024 * 1024;

TransferLimits shortLimits(bool headerOnly = false)
{
    TransferLimits limits;
    limits.connectTimeout = 1s;
    limits.totalTimeout = 15s; // ends the test only should the low-speed limit fail
    limits.maxRedirects = 4;
    limits.maxBytes = kMaxBytes;
    limits.headerOnly = headerOnly;
    limits.lowSpeedBytes = 100;
    limits.lowSpeedTime = 1s;
    return limits;
}

std::string text(const Status& status)
{
    return status.ok() ? std::string("ok") : status.failure().toString().toStdString();
}

// Every byte value, NULs and CR LF among them.
QByteArray binary(qint64 size, int seed = 0)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xff);
    return bytes;
}

// Nothing ever listens on port 1 of a test machine: connections are refused.
const QString kRefused = QStringLiteral("http://127.0.0.1:1/x.png");

class Fetcher : public ::testing::Test {
protected:
    Fetcher()
    {
        // A proxy from the developer's environment must not carry loopback traffic.
        qputenv("no_proxy", "127.0.0.1");
        server.serve(QStringLiteral("/pic.bin"), binary(20000));
    }
    test::LoopbackServer server;
    test::TempDir dir;
    QString target = dir.file(QStringLiteral("picture"));
};

TEST_F(Fetcher, GoodAnswersArriveByteForByteInPlaceOfALongerOldFile)
{
    server.serve(QStringLiteral("/exact.bin"), binary(kMaxBytes, 3));
    server.serve(QStringLiteral("/empty.gif"), {});
    const struct {
        QString address;
        QByteArray body;
    } cases[] = {
        { server.url(QStringLiteral("/pic.bin")), binary(20000) },
        { server.url(QStringLiteral("/to/pic.bin")), binary(20000) },
        { server.url(QStringLiteral("/exact.bin")), binary(kMaxBytes, 3) },
        { server.url(QStringLiteral("/empty.gif")), {} },
        // An error page is what the server sent: written, and no failure.
        { server.url(QStringLiteral("/missing.png")), "not found" },
        { server.ftpUrl(QStringLiteral("/pic.bin")), binary(20000) },
    };
    CurlFetcher fetcher(shortLimits());
    for (const auto& c : cases) {
        if (c.address.isEmpty())
            continue; // no FTP server on this system
        SCOPED_TRACE(c.address.toStdString());
        dir.write(QStringLiteral("picture"), QByteArray(30000, 'x'));
        const Status status = fetcher.fetch(c.address, target);
        ASSERT_TRUE(status.ok()) << text(status);
        EXPECT_EQ(slurp(target), c.body);
    }
}

TEST_F(Fetcher, BadAnswersEndInTheirFailureWithinTheLimitsAndLeaveTheTargetEmpty)
{
    server.serve(QStringLiteral("/big.bin"), binary(kMaxBytes + 1));
    const QString url = server.url(QString());
    const struct {
        QString address;
        ErrorCode code;
        std::optional<ErrorCode> headerOnlyCode = std::nullopt; // when only the start is wanted
        const char* says = ""; // in the description
    } cases[] = {
        // Other schemes are refused before anything is read, also by way of a redirect.
        { QStringLiteral("file:///etc/passwd"), ErrorCode::UnsupportedAddress },
        { QString(url).replace(QStringLiteral("http:"), QStringLiteral("gopher:")) + "/1",
            ErrorCode::UnsupportedAddress },
        { QString(), ErrorCode::UnsupportedAddress },
        { url + "/hostile/elsewhere/file:///etc/passwd", ErrorCode::UnsupportedAddress },
        { url + "/hostile/redirect-loop", ErrorCode::TooManyRedirects },
        { kRefused, ErrorCode::ConnectFailed, std::nullopt, "port 1" },
        { server.neverAcceptingUrl(QStringLiteral("/x.png")), ErrorCode::TransferTimedOut },
        { url + "/hostile/trickle", ErrorCode::TransferTimedOut, std::nullopt, "too slow" },
        { url + "/hostile/stall", ErrorCode::TransferTimedOut, std::nullopt, "too slow" },
        // Too long by its announced length, or only once it arrives; the start of
        // a picture is no reason to refuse a length, which then proves a lie.
        { url + "/big.bin", ErrorCode::TransferTooLarge },
        { url + "/hostile/endless/", ErrorCode::TransferTooLarge },
        { url + "/hostile/lying-length", ErrorCode::TransferTooLarge, ErrorCode::TransferFailed },
        { server.ftpUrl(QStringLiteral("/missing.png")), ErrorCode::TransferNotFound },
        // Arrives as it was sent, never unpacked, and is no picture.
        { url + "/hostile/gzip-bomb", ErrorCode::NotAPicture },
    };
    for (const bool headerOnly : { false, true }) {
        CurlFetcher fetcher(shortLimits(headerOnly));
        for (const auto& c : cases) {
            if (c.address.isEmpty() && c.code != ErrorCode::UnsupportedAddress)
                continue; // no FTP server or unanswering port on this system
            SCOPED_TRACE(c.address.toStdString() + (headerOnly ? " (header only)" : ""));
            dir.write(QStringLiteral("picture"), "stale");
            const Status status = fetcher.fetch(c.address, target);
            if (c.code == ErrorCode::NotAPicture) {
                ASSERT_TRUE(status.ok()) << text(status);
                EXPECT_TRUE(slurp(target).startsWith("\x1f\x8b"));
                const Result<PictureSize> size = MeasurePicture(target);
                EXPECT_EQ(size.ok() ? 0 : size.failure().code, int(ErrorCode::NotAPicture));
                continue;
            }
            ASSERT_FALSE(status.ok());
            EXPECT_EQ(status.failure().errorCode(), headerOnly ? c.headerOnlyCode.value_or(c.code) : c.code)
                << text(status);
            EXPECT_TRUE(status.failure().description.contains(QLatin1String(c.says))) << text(status);
            EXPECT_EQ(slurp(target), QByteArray());
        }
    }
    // The first request and four redirects, twice over.
    EXPECT_EQ(server.hits(QStringLiteral("/hostile/redirect-loop")), 10);
}

TEST_F(Fetcher, HeaderOnlyTransfersStopOnceThePictureTellsItsSize)
{
    QByteArray big = test::makePicture(QStringLiteral("png"), 2000, 1000);
    big += QByteArray(3 * kMaxBytes, '\0'); // past the byte limit, which only the start keeps to
    server.serve(QStringLiteral("/big.png"), big);
    server.serve(QStringLiteral("/small.gif"), test::makePicture(QStringLiteral("gif"), 7, 5));
    // A JPEG whose size comes after the first part asked for.
    QByteArray late = test::makePicture(QStringLiteral("jpg"), 40, 30);
    for (int i = 0; i < 2; ++i)
        late.insert(2, QByteArray("\xff\xe2\xea\x62", 4) + QByteArray(60000, 'm'));
    server.serve(QStringLiteral("/late.jpg"), late);
    const struct {
        const char* path;
        PictureSize size;
        int hits;
        qint64 mostKept;
    } cases[] = {
        { "/big.png", { 2000, 1000 }, 1, 65536 }, // the server sends the part asked for
        { "/hostile/endless/small.gif", { 7, 5 }, 1, 65536 }, // or everything it has, without end
        { "/late.jpg", { 40, 30 }, 2, late.size() }, // the part did not tell: the whole after all
    };
    CurlFetcher fetcher(shortLimits(true));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Status status = fetcher.fetch(server.url(QString::fromLatin1(c.path)), target);
        ASSERT_TRUE(status.ok()) << text(status);
        EXPECT_EQ(MeasurePicture(target).value(), c.size);
        EXPECT_EQ(server.hits(QString::fromLatin1(c.path)), c.hits);
        EXPECT_LE(QFileInfo(target).size(), c.mostKept);
    }
}

TEST_F(Fetcher, AnEndlessBodyStreamsThroughInBoundedMemory)
{
#ifdef __has_feature
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer keeps freed memory aside: resident sizes say nothing";
#endif
#endif
    const auto peakKiB = [] {
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    // Only its start is wanted, and it never tells a size.
    TransferLimits limits = shortLimits(true);
    limits.maxBytes = 48 * 1024 * 1024;
    CurlFetcher fetcher(limits);
    // libcurl and its libraries are loaded by the first fetch.
    ASSERT_TRUE(fetcher.fetch(server.url(QStringLiteral("/pic.bin")), target).ok());
    const long before = peakKiB();
    const Status status = fetcher.fetch(server.url(QStringLiteral("/hostile/endless/")), target);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().errorCode(), ErrorCode::TransferTooLarge) << text(status);
    EXPECT_LT(peakKiB() - before, 8 * 1024);
}

TEST_F(Fetcher, TheDownloadAreaNumbersEveryFetchUntilTheLastNumberAndRemovesThemAll)
{
    CurlFetcher fetcher(shortLimits());
    DownloadArea area(fetcher);
    const QString picture = server.url(QStringLiteral("/pic.bin"));
    const auto name = [](const Result<QString>& path) {
        return path.ok() ? QFileInfo(*path).fileName() : path.failure().toString();
    };
    const Result<QString> first = area.DownloadImage(picture);
    ASSERT_EQ(name(first), "temp.001");
    EXPECT_EQ(slurp(*first), binary(20000));
    // A failed fetch uses up its number.
    EXPECT_EQ(area.DownloadImage(kRefused).failure().errorCode(), ErrorCode::ConnectFailed);
    EXPECT_EQ(name(area.DownloadImage(picture)), "temp.003");
    area.setCounter(999);
    EXPECT_EQ(name(area.DownloadImage(picture)), "temp.1000");
    // Nothing is fetched for a target that cannot be made, nor past the last number.
    EXPECT_EQ(fetcher.fetch(picture, dir.file(QStringLiteral("no/such/picture"))).failure().code, 76);
    area.setCounter(32767);
    EXPECT_EQ(area.DownloadImage(picture).failure().errorCode(), ErrorCode::Overflow);
    EXPECT_EQ(server.hits(QStringLiteral("/pic.bin")), 3);

    const QString folder = area.folder();
    ASSERT_TRUE(QFileInfo(folder).isDir());
    area.removeAll();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(name(area.DownloadImage(picture)), "temp.001");
}

// Runs saving at the same time lose each other's news at worst, never the file;
// past its capacity the cache drops the entries used least recently.
TEST(SizeCacheFile, SavesAtOnceLeaveAWholeFileAndTheLeastRecentlyUsedGoFirst)
{
    test::TempDir dir;
    const QString file = dir.file(QStringLiteral("cache/sizes.json"));
    const auto entry = [](int i) { return SizeCache::Entry { { i + 1.0, 2.0 * i + 1 }, { "\"v\"", {} } }; };
    const auto writer = [&](QChar prefix) {
        SizeCache cache(file);
        for (int i = 0; i < 40; ++i) {
            cache.remember(prefix + QString::number(i), entry(i));
            EXPECT_TRUE(cache.save().ok());
        }
    };
    std::thread a(writer, u'a'), b(writer, u'b');
    a.join();
    b.join();
    SizeCache read(file);
    QMap<QChar, int> right;
    for (int i = 0; i < 80; ++i)
        right[u"ab"[i % 2]]
            += read.find(u"ab"[i % 2] + QString::number(i / 2)).value_or(entry(-9)).size == entry(i / 2).size;
    EXPECT_TRUE(right[u'a'] == 40 || right[u'b'] == 40) << right[u'a'] << " " << right[u'b'];

    SizeCache small(file + QStringLiteral(".small"), 3);
    for (int i = 0; i < 5; ++i) {
        small.remember(QString::number(i), i < 4 ? entry(i) : SizeCache::Entry { { 4, 4 }, {} });
        EXPECT_TRUE(i != 2 || small.find(QStringLiteral("0"))); // 1 is now the least recently used
    }
    ASSERT_TRUE(small.save().ok());
    SizeCache reread(file + QStringLiteral(".small"));
    for (int i = 0; i < 5; ++i) // 4 names no version
        EXPECT_EQ(reread.find(QString::number(i)).has_value(), i == 0 || i == 2 || i == 3) << i;
}

} // namespace
} // namespace quillon
