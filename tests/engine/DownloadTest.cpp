#include "engine/CurlFetcher.h"
#include "engine/DownloadArea.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace quillon {
namespace {

using namespace std::chrono_literals;
using test::HttpTestServer;
using test::slurp;
using test::TempDir;

// Every byte value, NULs and CR LF among them: a copy made through text or C
// strings would not survive the comparison.
QByteArray binaryBody(int size, char seed = 0)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xff);
    return bytes;
}

TransferLimits testLimits()
{
    TransferLimits limits;
    limits.connectTimeout = 5s;
    limits.totalTimeout = 20s;
    limits.maxRedirects = 4;
    limits.maxBytes = 64 * 1024;
    return limits;
}

qint64 fileSize(const QString& path)
{
    return QFileInfo(path).size();
}

// A loopback TCP port bound by this process and not listening: a connection to
// it is refused, and nothing else can take the port while this lives.
class UnlistenedPort {
public:
    UnlistenedPort()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0
            && ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~UnlistenedPort()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UnlistenedPort(const UnlistenedPort&) = delete;
    UnlistenedPort& operator=(const UnlistenedPort&) = delete;

    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

bool portAccepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

class NetworkTest : public ::testing::Test {
protected:
    // A proxy from the developer's environment must not carry loopback traffic.
    void SetUp() override
    {
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
    }
};

// Declared before the fetcher so that the fetcher and its kept-alive
// connections go first.
class CurlFetcherTest : public NetworkTest {
protected:
    HttpTestServer server;
    TempDir dir;
    CurlFetcher fetcher { testLimits() };
    QString target = dir.file(QStringLiteral("picture"));

    // A body served in chunks, without Content-Length, of total bytes.
    void serveChunked(const std::string& path, qint64 total)
    {
        server.server().Get(path, [total](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider(
                "application/octet-stream", [total](size_t offset, httplib::DataSink& sink) {
                    const qint64 left = total - static_cast<qint64>(offset);
                    if (left <= 0) {
                        sink.done();
                        return true;
                    }
                    const QByteArray chunk = binaryBody(static_cast<int>(std::min<qint64>(left, 8192)));
                    return sink.write(chunk.constData(), static_cast<size_t>(chunk.size()));
                });
        });
    }
};

// --- What arrives is written as it is ---------------------------------------

TEST_F(CurlFetcherTest, BodyArrivesByteForByte)
{
    const QByteArray body = binaryBody(20000);
    server.serve(QStringLiteral("/pic.png"), body, 200, QStringLiteral("image/png"));

    const Status status = fetcher.fetch(server.url(QStringLiteral("/pic.png")), target);

    ASSERT_TRUE(status.ok()) << status.failure().toString().toStdString();
    EXPECT_EQ(slurp(target), body);
}

TEST_F(CurlFetcherTest, ErrorPageBodyIsWrittenAndTheFetchSucceeds)
{
    const QByteArray page = "<html><body>No such picture</body></html>";
    server.serve(QStringLiteral("/gone.png"), page, 404, QStringLiteral("text/html"));

    const Status status = fetcher.fetch(server.url(QStringLiteral("/gone.png")), target);

    ASSERT_TRUE(status.ok()) << status.failure().toString().toStdString();
    EXPECT_EQ(slurp(target), page);
}

TEST_F(CurlFetcherTest, EmptyBodyGivesEmptyFile)
{
    server.serve(QStringLiteral("/empty.gif"), QByteArray());

    const Status status = fetcher.fetch(server.url(QStringLiteral("/empty.gif")), target);

    ASSERT_TRUE(status.ok()) << status.failure().toString().toStdString();
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_EQ(fileSize(target), 0);
}

TEST_F(CurlFetcherTest, LongerOldFileIsTruncated)
{
    dir.write(QStringLiteral("picture"), QByteArray(50000, 'x'));
    const QByteArray body = binaryBody(300, 5);
    server.serve(QStringLiteral("/small.png"), body);

    const Status status = fetcher.fetch(server.url(QStringLiteral("/small.png")), target);

    ASSERT_TRUE(status.ok()) << status.failure().toString().toStdString();
    EXPECT_EQ(slurp(target), body);
}

TEST_F(CurlFetcherTest, SeparateFetchersRunAtTheSameTime)
{
    constexpr int threads = 4;
    constexpr int fetchesEach = 5;
    for (int t = 0; t < threads; ++t)
        for (int i = 0; i < fetchesEach; ++i)
            server.serve(
                QStringLiteral("/t%1/%2").arg(t).arg(i), binaryBody(30000, static_cast<char>(t * 10 + i)));

    std::vector<int> good(threads, 0);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            CurlFetcher own(testLimits());
            for (int i = 0; i < fetchesEach; ++i) {
                const QString file = dir.file(QStringLiteral("t%1-%2").arg(t).arg(i));
                const Status status = own.fetch(server.url(QStringLiteral("/t%1/%2").arg(t).arg(i)), file);
                if (status.ok() && slurp(file) == binaryBody(30000, static_cast<char>(t * 10 + i)))
                    ++good[t];
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();

    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(good[t], fetchesEach) << "thread " << t;
}

// --- Redirects --------------------------------------------------------------

TEST_F(CurlFetcherTest, RedirectIsFollowed)
{
    const QByteArray body = binaryBody(4000);
    server.serve(QStringLiteral("/new/pic.png"), body);
    server.redirect(QStringLiteral("/old/pic.png"), QStringLiteral("/new/pic.png"), 301);

    const Status status = fetcher.fetch(server.url(QStringLiteral("/old/pic.png")), target);

    ASSERT_TRUE(status.ok()) << status.failure().toString().toStdString();
    EXPECT_EQ(slurp(target), body);
    EXPECT_EQ(server.hits(QStringLiteral("/new/pic.png")), 1);
}

TEST_F(CurlFetcherTest, RedirectLoopFailsWithTooManyRedirects)
{
    server.redirect(QStringLiteral("/a"), QStringLiteral("/b"));
    server.redirect(QStringLiteral("/b"), server.url(QStringLiteral("/a")));

    const Status status = fetcher.fetch(server.url(QStringLiteral("/a")), target);

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().errorCode(), ErrorCode::TooManyRedirects)
        << status.failure().toString().toStdString();
    // The first request and testLimits().maxRedirects more, then no further.
    EXPECT_EQ(server.hits(QStringLiteral("/a")) + server.hits(QStringLiteral("/b")), 5);
}

TEST_F(CurlFetcherTest, RedirectToALocalFileIsRefused)
{
    server.redirect(QStringLiteral("/sneaky.png"), QStringLiteral("file:///etc/passwd"));

    const Status status = fetcher.fetch(server.url(QStringLiteral("/sneaky.png")), target);

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().errorCode(), ErrorCode::UnsupportedAddress)
        << status.failure().toString().toStdString();
    EXPECT_EQ(fileSize(target), 0);
}

// --- Transfers that fail ----------------------------------------------------

TEST_F(CurlFetcherTest, OtherSchemesAreRefusedUnread)
{
    const QString addresses[] = {
        QStringLiteral("file:///etc/passwd"),
        QStringLiteral("gopher:"),
        QStringLiteral("gopher://127.0.0.1:%1/1").arg(server.port()),
        QStringLiteral("dict://127.0.0.1:%1/d:picture").arg(server.port()),
        QStringLiteral("ftps://127.0.0.1:%1/pic.png").arg(server.port()),
        QString(),
    };
    for (const QString& address : addresses) {
        dir.write(QStringLiteral("picture"), "stale");
        const Status status = fetcher.fetch(address, target);
        ASSERT_FALSE(status.ok()) << address.toStdString();
        EXPECT_EQ(status.failure().errorCode(), ErrorCode::UnsupportedAddress)
            << address.toStdString() << ": " << status.failure().toString().toStdString();
        EXPECT_EQ(fileSize(target), 0) << address.toStdString();
    }
}

TEST_F(CurlFetcherTest, RefusedPortFailsWithConnectFailed)
{
    UnlistenedPort closed;
    ASSERT_GT(closed.port(), 0);

    const Status status
        = fetcher.fetch(QStringLiteral("http://127.0.0.1:%1/pic.png").arg(closed.port()), target);

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().errorCode(), ErrorCode::ConnectFailed)
        << status.failure().toString().toStdString();
    // curl's own words, which name the port, reach the user.
    EXPECT_TRUE(status.failure().description.contains(QString::number(closed.port())))
        << status.failure().description.toStdString();
}

TEST_F(CurlFetcherTest, SlowServerFailsWithTimeOutWellBeforeABound)
{
    TransferLimits limits = testLimits();
    limits.totalTimeout = 300ms;
    CurlFetcher impatient(limits);
    server.serveSlowly(QStringLiteral("/slow.png"), binaryBody(100), 30s);

    const auto started = std::chrono::steady_clock::now();
    const Status status = impatient.fetch(server.url(QStringLiteral("/slow.png")), target);
    const auto elapsed = std::chrono::steady_clock::now() - started;

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().errorCode(), ErrorCode::TransferTimedOut)
        << status.failure().toString().toStdString();
    EXPECT_LT(elapsed, 10s);
}

TEST_F(CurlFetcherTest, BodyPastTheLimitWithContentLengthFails)
{
    server.serve(QStringLiteral("/big.png"), binaryBody(testLimits().maxBytes + 1));

    const Status status = fetcher.fetch(server.url(QStringLiteral("/big.png")), target);

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().errorCode(), ErrorCode::TransferTooLarge)
        << status.failure().toString().toStdString();
    EXPECT_EQ(fileSize(target), 0);
}

TEST_F(CurlFetcherTest, ChunkedBodyPastTheLimitIsCutOffWhileStreaming)
{
    // Far more than the limit: only a check while streaming stops it early.
    serveChunked("/endless.png", 32 * 1024 * 1024);

    const Status status = fetcher.fetch(server.url(QStringLiteral("/endless.png")), target);

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().errorCode(), ErrorCode::TransferTooLarge)
        << status.failure().toString().toStdString();
    EXPECT_EQ(fileSize(target), 0);
}

TEST_F(CurlFetcherTest, BodyOfExactlyTheLimitArrives)
{
    const qint64 limit = testLimits().maxBytes;
    server.serve(QStringLiteral("/exact.png"), binaryBody(static_cast<int>(limit)));
    serveChunked("/exact-chunked.png", limit);

    const Status withLength = fetcher.fetch(server.url(QStringLiteral("/exact.png")), target);
    ASSERT_TRUE(withLength.ok()) << withLength.failure().toString().toStdString();
    EXPECT_EQ(fileSize(target), limit);

    const Status chunked = fetcher.fetch(server.url(QStringLiteral("/exact-chunked.png")), target);
    ASSERT_TRUE(chunked.ok()) << chunked.failure().toString().toStdString();
    EXPECT_EQ(fileSize(target), limit);
}

TEST_F(CurlFetcherTest, TargetInAMissingFolderFailsAndFetchesNothing)
{
    server.serve(QStringLiteral("/pic.png"), binaryBody(100));

    const Status status = fetcher.fetch(
        server.url(QStringLiteral("/pic.png")), dir.file(QStringLiteral("no/such/folder/picture")));

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().errorCode(), ErrorCode::PathNotFound)
        << status.failure().toString().toStdString();
    EXPECT_EQ(server.hits(QStringLiteral("/pic.png")), 0);
}

// --- The run's download area ------------------------------------------------

class DownloadAreaTest : public NetworkTest {
protected:
    HttpTestServer server;
    CurlFetcher fetcher { testLimits() };
    DownloadArea area { fetcher };

    QByteArray servePicture(const QString& path, int size = 2000)
    {
        const QByteArray body = binaryBody(size, static_cast<char>(path.size()));
        server.serve(path, body);
        return body;
    }
};

TEST_F(DownloadAreaTest, FirstDownloadLandsInTemp001InAPrivateFolderUnderTheTemporaryFolder)
{
    const QByteArray body = servePicture(QStringLiteral("/pic.png"));
    EXPECT_TRUE(area.folder().isEmpty());

    const Result<QString> path = area.DownloadImage(server.url(QStringLiteral("/pic.png")));

    ASSERT_TRUE(path.ok()) << path.failure().toString().toStdString();
    const QFileInfo file(*path);
    EXPECT_EQ(file.fileName(), QStringLiteral("temp.001"));
    EXPECT_EQ(file.absolutePath(), QFileInfo(area.folder()).absoluteFilePath());
    EXPECT_EQ(QFileInfo(area.folder()).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_EQ(slurp(*path), body);
    EXPECT_EQ(area.counter(), 1);
}

TEST_F(DownloadAreaTest, DownloadsAreNumberedInTurn)
{
    servePicture(QStringLiteral("/a.png"));
    servePicture(QStringLiteral("/b.png"));
    const QByteArray third = servePicture(QStringLiteral("/c.png"), 777);

    ASSERT_TRUE(area.DownloadImage(server.url(QStringLiteral("/a.png"))).ok());
    ASSERT_TRUE(area.DownloadImage(server.url(QStringLiteral("/b.png"))).ok());
    const Result<QString> path = area.DownloadImage(server.url(QStringLiteral("/c.png")));

    ASSERT_TRUE(path.ok()) << path.failure().toString().toStdString();
    EXPECT_EQ(QFileInfo(*path).fileName(), QStringLiteral("temp.003"));
    EXPECT_EQ(slurp(*path), third);
    EXPECT_EQ(area.counter(), 3);
}

TEST_F(DownloadAreaTest, FailedDownloadUsesUpItsNumber)
{
    UnlistenedPort closed;
    const QByteArray body = servePicture(QStringLiteral("/pic.png"));

    const Result<QString> failed
        = area.DownloadImage(QStringLiteral("http://127.0.0.1:%1/x.png").arg(closed.port()));
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.failure().errorCode(), ErrorCode::ConnectFailed);
    EXPECT_EQ(area.counter(), 1);

    const Result<QString> path = area.DownloadImage(server.url(QStringLiteral("/pic.png")));
    ASSERT_TRUE(path.ok()) << path.failure().toString().toStdString();
    EXPECT_EQ(QFileInfo(*path).fileName(), QStringLiteral("temp.002"));
    EXPECT_EQ(slurp(*path), body);
}

TEST_F(DownloadAreaTest, NumbersGrowPastThreeDigits)
{
    servePicture(QStringLiteral("/pic.png"));
    area.setCounter(998);

    const Result<QString> nineHundredNinetyNine = area.DownloadImage(server.url(QStringLiteral("/pic.png")));
    const Result<QString> thousand = area.DownloadImage(server.url(QStringLiteral("/pic.png")));

    ASSERT_TRUE(nineHundredNinetyNine.ok());
    ASSERT_TRUE(thousand.ok());
    EXPECT_EQ(QFileInfo(*nineHundredNinetyNine).fileName(), QStringLiteral("temp.999"));
    EXPECT_EQ(QFileInfo(*thousand).fileName(), QStringLiteral("temp.1000"));
}

TEST_F(DownloadAreaTest, PastTheLastNumberOverflowsAndFetchesNothing)
{
    servePicture(QStringLiteral("/pic.png"));
    area.setCounter(32766);

    const Result<QString> last = area.DownloadImage(server.url(QStringLiteral("/pic.png")));
    ASSERT_TRUE(last.ok()) << last.failure().toString().toStdString();
    EXPECT_EQ(QFileInfo(*last).fileName(), QStringLiteral("temp.32767"));
    EXPECT_EQ(server.hits(QStringLiteral("/pic.png")), 1);

    const Result<QString> beyond = area.DownloadImage(server.url(QStringLiteral("/pic.png")));
    ASSERT_FALSE(beyond.ok());
    EXPECT_EQ(beyond.failure().code, 6);
    EXPECT_EQ(server.hits(QStringLiteral("/pic.png")), 1);
    EXPECT_EQ(area.counter(), 32767);
}

TEST_F(DownloadAreaTest, ReusedNameHoldsOnlyTheNewPicture)
{
    servePicture(QStringLiteral("/large.png"), 50000);
    const QByteArray small = servePicture(QStringLiteral("/s.png"), 40);

    ASSERT_TRUE(area.DownloadImage(server.url(QStringLiteral("/large.png"))).ok());
    area.setCounter(0);
    const Result<QString> again = area.DownloadImage(server.url(QStringLiteral("/s.png")));

    ASSERT_TRUE(again.ok()) << again.failure().toString().toStdString();
    EXPECT_EQ(QFileInfo(*again).fileName(), QStringLiteral("temp.001"));
    EXPECT_EQ(slurp(*again), small);
}

TEST_F(DownloadAreaTest, RemoveAllDeletesEverythingAndStartsAgain)
{
    servePicture(QStringLiteral("/pic.png"));
    ASSERT_TRUE(area.DownloadImage(server.url(QStringLiteral("/pic.png"))).ok());
    ASSERT_TRUE(area.DownloadImage(server.url(QStringLiteral("/pic.png"))).ok());
    const QString firstFolder = area.folder();
    ASSERT_TRUE(QFileInfo(firstFolder).isDir());

    area.removeAll();

    EXPECT_FALSE(QFileInfo::exists(firstFolder));
    EXPECT_EQ(area.counter(), 0);
    EXPECT_TRUE(area.folder().isEmpty());

    const Result<QString> next = area.DownloadImage(server.url(QStringLiteral("/pic.png")));
    ASSERT_TRUE(next.ok()) << next.failure().toString().toStdString();
    EXPECT_EQ(QFileInfo(*next).fileName(), QStringLiteral("temp.001"));
    EXPECT_NE(area.folder(), firstFolder);
}

TEST_F(DownloadAreaTest, RemoveAllWithNothingDownloadedMakesNoFolder)
{
    area.removeAll();

    EXPECT_TRUE(area.folder().isEmpty());
    EXPECT_EQ(area.counter(), 0);
}

TEST_F(DownloadAreaTest, EndOfTheAreaLeavesNothingBehind)
{
    servePicture(QStringLiteral("/pic.png"));
    QString folder;
    {
        DownloadArea run(fetcher);
        ASSERT_TRUE(run.DownloadImage(server.url(QStringLiteral("/pic.png"))).ok());
        folder = run.folder();
        ASSERT_TRUE(QFileInfo(folder).isDir());
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
}

// --- ftp --------------------------------------------------------------------

// pyftpdlib from Debian's python3-pyftpdlib, serving a folder read-only to
// anonymous users on a loopback port.
class FtpFetchTest : public NetworkTest {
protected:
    void SetUp() override
    {
        NetworkTest::SetUp();
        const QString python = QStringLiteral("/usr/bin/python3");
        if (!QFileInfo(python).isExecutable())
            GTEST_SKIP()
                << "ftp tests need /usr/bin/python3 with pyftpdlib (Debian package python3-pyftpdlib)";
        QProcess probe;
        probe.start(python, { QStringLiteral("-c"), QStringLiteral("import pyftpdlib") });
        if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit
            || probe.exitCode() != 0)
            GTEST_SKIP()
                << "ftp tests need pyftpdlib for /usr/bin/python3 (Debian package python3-pyftpdlib)";

        {
            UnlistenedPort free;
            m_port = free.port();
        }
        ASSERT_GT(m_port, 0);
        m_server.setStandardOutputFile(m_logs.file(QStringLiteral("ftpd.log")));
        m_server.setStandardErrorFile(m_logs.file(QStringLiteral("ftpd.log")), QIODevice::Append);
        m_server.start(python,
            { QStringLiteral("-m"), QStringLiteral("pyftpdlib"), QStringLiteral("-i"),
                QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(m_port),
                QStringLiteral("-d"), m_served.path() });
        ASSERT_TRUE(m_server.waitForStarted(10000)) << m_server.errorString().toStdString();

        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!portAccepts(m_port)) {
            ASSERT_EQ(m_server.state(), QProcess::Running)
                << "pyftpdlib ended early: " << m_logs.read(QStringLiteral("ftpd.log")).toStdString();
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "pyftpdlib never accepted on " << m_port;
            std::this_thread::sleep_for(20ms);
        }
    }

    void TearDown() override
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }

    QString ftpUrl(const QString& name) const
    {
        return QStringLiteral("ftp://127.0.0.1:%1/%2").arg(m_port).arg(name);
    }

    TempDir m_served;
    TempDir m_logs;
    TempDir m_targets;
    QProcess m_server;
    int m_port = 0;
    CurlFetcher m_fetcher { testLimits() };
};

TEST_F(FtpFetchTest, PictureArrivesByteForByte)
{
    const QByteArray body = binaryBody(30000, 3);
    m_served.write(QStringLiteral("pic.png"), body);
    const QString target = m_targets.file(QStringLiteral("picture"));

    const Status status = m_fetcher.fetch(ftpUrl(QStringLiteral("pic.png")), target);

    ASSERT_TRUE(status.ok()) << status.failure().toString().toStdString();
    EXPECT_EQ(slurp(target), body);
}

TEST_F(FtpFetchTest, MissingFileFailsWithTransferNotFound)
{
    const Status status
        = m_fetcher.fetch(ftpUrl(QStringLiteral("missing.png")), m_targets.file(QStringLiteral("p")));

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().errorCode(), ErrorCode::TransferNotFound)
        << status.failure().toString().toStdString();
}

TEST_F(FtpFetchTest, FileLargerThanTheLimitFails)
{
    m_served.write(QStringLiteral("huge.png"), binaryBody(testLimits().maxBytes + 1));
    const QString target = m_targets.file(QStringLiteral("picture"));

    const Status status = m_fetcher.fetch(ftpUrl(QStringLiteral("huge.png")), target);

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().errorCode(), ErrorCode::TransferTooLarge)
        << status.failure().toString().toStdString();
    EXPECT_EQ(fileSize(target), 0);
}

} // namespace
} // namespace quillon
