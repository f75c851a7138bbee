// Servers that answer wrongly on purpose, met through the real fetcher with
// short limits: every one ends in a failure or in something that is not a
// picture, within the limits, without holding much memory, and the run they
// appear in goes on.

#include "engine/CurlFetcher.h"
#include "engine/PictureMeasure.h"
#include "engine/StatusTexts.h"
#include "tests/engine/EngineFixture.h"
#include "tests/hostile/HostileAnswers.h"
#include "tests/hostile/PeakMemory.h"
#include "tests/hostile/RawServer.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <map>

namespace quillon {
namespace {

using namespace std::chrono_literals;
using test::HostileAnswer;
using test::RawServer;
using test::slurp;

constexpr qint64 kMaxBytes = 1024 * 1024;

// Short enough that a stall costs a second or two; the total time-out is only
// there to end the test should the low-speed limit fail.
TransferLimits shortLimits(bool headerOnly)
{
    TransferLimits limits;
    limits.connectTimeout = 1s;
    limits.totalTimeout = 15s;
    limits.maxRedirects = 4;
    limits.maxBytes = kMaxBytes;
    limits.headerOnly = headerOnly;
    limits.lowSpeedBytes = 100;
    limits.lowSpeedTime = 1s;
    return limits;
}

std::string describe(const Status& status)
{
    return status.ok() ? std::string("ok") : status.failure().toString().toStdString();
}

class HostileServers : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
    }

    test::TempDir dir;
    QString target = dir.file(QStringLiteral("picture"));
    RawServer server;
    const std::vector<HostileAnswer> answers = test::serveHostileAnswers(server);
};

TEST_F(HostileServers, EachEndsInAFailureOrANonPictureWithBoundedMemory)
{
    const long before = test::peakResidentKiB(RUSAGE_SELF);
    for (const bool headerOnly : { false, true }) {
        SCOPED_TRACE(headerOnly ? "header only" : "whole body");
        CurlFetcher fetcher(shortLimits(headerOnly));
        for (const HostileAnswer& answer : answers) {
            if (answer.stalls)
                continue;
            const std::string what = answer.path.toStdString();
            dir.write(QStringLiteral("picture"), "stale");
            const Status fetched = fetcher.fetch(server.url(answer.path), target);
            if (answer.code == ErrorCode::NotAPicture) {
                // Whatever arrived is on disk as it came, never unpacked, and is
                // no picture that can be measured.
                ASSERT_TRUE(fetched.ok()) << what << ": " << describe(fetched);
                EXPECT_LE(QFileInfo(target).size(), kMaxBytes) << what;
                const Result<PictureSize> size = MeasurePicture(target);
                ASSERT_FALSE(size.ok()) << what << " measured " << size->widthText().toStdString() << " x "
                                        << size->heightText().toStdString();
                EXPECT_EQ(size.failure().errorCode(), ErrorCode::NotAPicture) << what;
            } else {
                ASSERT_FALSE(fetched.ok()) << what;
                EXPECT_EQ(fetched.failure().errorCode(),
                    headerOnly ? answer.headerOnlyCode.value_or(answer.code) : answer.code)
                    << what << ": " << describe(fetched);
                EXPECT_EQ(slurp(target), QByteArray()) << what;
            }
        }
        // The compressed answers arrive as they were sent.
        ASSERT_TRUE(fetcher.fetch(server.url(QStringLiteral("/bomb")), target).ok());
        EXPECT_TRUE(slurp(target).startsWith("\x1f\x8b"));

        // The largest GIF there can be measures as it says, and a picture's
        // start followed by bytes without end is measured by a transfer that
        // stops at the header, and too large for one that does not.
        ASSERT_TRUE(fetcher.fetch(server.url(QStringLiteral("/gif-max.gif")), target).ok());
        EXPECT_EQ(MeasurePicture(target).value(), (PictureSize { 65535, 65535 }));
        const Status endless = fetcher.fetch(server.url(QStringLiteral("/endless-picture.png")), target);
        if (headerOnly) {
            ASSERT_TRUE(endless.ok()) << describe(endless);
            EXPECT_EQ(MeasurePicture(target).value(), (PictureSize { test::kGoodWidth, test::kGoodHeight }));
        } else {
            ASSERT_FALSE(endless.ok());
            EXPECT_EQ(endless.failure().errorCode(), ErrorCode::TransferTooLarge) << describe(endless);
        }
    }
    if (test::kMemoryIsMeasurable) {
        // Bodies of 256 MiB unpacked and without end passed through; the most
        // held at once stays near the byte limit and the unpacking limit.
        const long grown = test::peakResidentKiB(RUSAGE_SELF) - before;
        RecordProperty("PeakGrowthKiB", static_cast<int>(grown));
        EXPECT_LT(grown, 64 * 1024) << "peak memory grew by " << grown << " KiB";
    }
}

TEST_F(HostileServers, StalledServersAreCutByTheLowSpeedLimitAndSilentPortsByTheConnectTimeOut)
{
    CurlFetcher fetcher(shortLimits(false));
    for (const HostileAnswer& answer : answers) {
        if (!answer.stalls)
            continue;
        const Status fetched = fetcher.fetch(server.url(answer.path), target);
        ASSERT_FALSE(fetched.ok()) << answer.path.toStdString();
        EXPECT_EQ(fetched.failure().errorCode(), ErrorCode::TransferTimedOut) << describe(fetched);
        // curl's words for the low-speed limit: the total time-out was not waited for.
        EXPECT_TRUE(fetched.failure().description.contains(QStringLiteral("too slow"))) << describe(fetched);
        EXPECT_EQ(slurp(target), QByteArray());
    }

    const test::FullBacklogPort unanswered;
    if (unanswered.port == 0)
        GTEST_SKIP() << "could not fill a listening queue on this system";
    const Status fetched
        = fetcher.fetch(QStringLiteral("http://127.0.0.1:%1/picture.png").arg(unanswered.port), target);
    ASSERT_FALSE(fetched.ok());
    EXPECT_EQ(fetched.failure().errorCode(), ErrorCode::TransferTimedOut) << describe(fetched);
}

TEST(HostilePictures, SidesPastTwoToThe24AndSvgzUnpackingPast8MiBAreRefused)
{
    const auto measure = [](const QByteArray& bytes) {
        const Result<PictureSize> size = MeasurePictureData(bytes);
        return size.ok() ? size->widthText() + u'x' + size->heightText()
                         : QString::number(size.failure().code);
    };
    const auto svg = [](const QByteArray& width, const QByteArray& height) {
        return R"(<svg xmlns="http://www.w3.org/2000/svg" width=")" + width + R"(" height=")" + height
            + R"("/>)";
    };
    const QByteArray svgStart = R"(<svg xmlns="http://www.w3.org/2000/svg" width="31" height="17"><!--)";
    constexpr qint64 limit = 8 * 1024 * 1024;
    const struct {
        const char* what;
        QByteArray bytes;
        QString size;
    } cases[] = {
        { "tiff at the limit", test::tiffAnnouncing(1 << 24, 3), QStringLiteral("16777216x3") },
        { "tiff past it", test::tiffAnnouncing(3, (1 << 24) + 1), QStringLiteral("481") },
        { "svg at the limit", svg("16777216", "1"), QStringLiteral("16777216x1") },
        { "svg past it", svg("1", "16777217"), QStringLiteral("481") },
        { "svgz", test::gzipOf(svg("31", "17"), 0, ' ', {}), QStringLiteral("31x17") },
        { "svgz unpacking to the limit",
            test::gzipOf(svgStart, limit - svgStart.size() - 9, ' ', "--></svg>"), QStringLiteral("31x17") },
        { "svgz one byte past it", test::gzipOf(svgStart, limit - svgStart.size() - 8, ' ', "--></svg>"),
            QStringLiteral("481") },
        { "svgz cut short", test::gzipOf(svg("31", "17"), 0, ' ', {}).chopped(12), QStringLiteral("481") },
        // Only an SVG comes compressed as a picture.
        { "compressed png", test::gzipOf(test::goodPicture(), 0, ' ', {}), QStringLiteral("481") },
        { "svgz inside gzip", test::gzipOf(test::gzipOf(svg("31", "17"), 0, ' ', {}), 0, ' ', {}),
            QStringLiteral("481") },
    };
    for (const auto& c : cases)
        EXPECT_EQ(measure(c.bytes), c.size) << c.what;
}

class HostileRun : public test::EngineTest {
protected:
    HostileRun()
    {
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
        fetcher = &curl;
        options.online = true;
        options.generateBackups = false;
    }
    RawServer server;
    const std::vector<HostileAnswer> answers = test::serveHostileAnswers(server);
    CurlFetcher curl { shortLimits(false) };
};

TEST_F(HostileRun, EveryHostileAddressEndsInAnErrorRowAndThePicturesAfterThemAreTagged)
{
    const test::FullBacklogPort unanswered;
    std::map<QString, QString> expected;
    QByteArray page = "<html><body>\n";
    QByteArray tagged = page;
    const auto tag = [&](const QString& address, const QString& status, const QByteArray& added = {}) {
        const QByteArray img = "<img src=\"" + address.toUtf8() + "\"";
        page += img + ">\n";
        tagged += img + added + ">\n";
        expected[address] = status;
    };
    for (const HostileAnswer& answer : answers)
        tag(server.url(answer.path), status::downloadFailed(static_cast<int>(answer.code)));
    if (unanswered.port != 0)
        tag(QStringLiteral("http://127.0.0.1:%1/x.png").arg(unanswered.port),
            status::downloadFailed(static_cast<int>(ErrorCode::TransferTimedOut)));
    tag(server.url(QStringLiteral("/gif-max.gif")), status::Success, " WIDTH=65535 HEIGHT=65535");
    tag(server.url(QStringLiteral("/good.png")), status::Success, " WIDTH=7 HEIGHT=5");
    page += "</body></html>\n";
    tagged += "</body></html>\n";
    const QString document = dir.write(QStringLiteral("hostile.html"), page);

    engine().run({ document });

    std::map<QString, QString> got;
    for (const ReportRow& row : engine().report().rows())
        got[row.image] = row.status;
    for (const auto& [address, status] : expected)
        EXPECT_EQ(got[address], status) << address.toStdString();
    EXPECT_EQ(slurp(document), tagged);
    EXPECT_EQ(total(Counter::Tagged), 2);
    EXPECT_EQ(total(Counter::Errors), static_cast<int>(expected.size()) - 2);
}

} // namespace
} // namespace quillon
