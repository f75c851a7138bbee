#include "engine/CurlFetcher.h"
#include "engine/DownloadArea.h"
#include "engine/PictureMeasure.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/Pictures.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>

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

std::string describe(const Status& status)
{
    return status.ok() ? std::string("ok") : status.failure().toString().toStdString();
}

sockaddr_in loopback(int port = 0)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

// A loopback TCP port bound by this process and not listening: a connection to
// it is refused, and nothing else can take the port while this lives.
class UnlistenedPort {
public:
    UnlistenedPort()
    {
        sockaddr_in address = loopback();
        socklen_t length = sizeof address;
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0
            && ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
    }
    ~UnlistenedPort() { ::close(m_fd); }
    UnlistenedPort(const UnlistenedPort&) = delete;
    UnlistenedPort& operator=(const UnlistenedPort&) = delete;

    int port = 0;

private:
    int m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
};

bool portAccepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// The server is declared before the fetcher so that the fetcher and its
// kept-alive connections go first.
class CurlFetcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A proxy from the developer's environment must not carry loopback traffic.
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
    }

    HttpTestServer server;
    TempDir dir;
    CurlFetcher fetcher { testLimits() };
    QString target = dir.file(QStringLiteral("picture"));
};

TEST_F(CurlFetcherTest, BodiesArriveByteForByteReplacingALongerOldFile)
{
    const QByteArray body = binaryBody(20000);
    const QByteArray errorPage = "<html><body>No such picture</body></html>";
    server.serve(QStringLiteral("/pic.png"), body, 200, QStringLiteral("image/png"));
    server.serve(QStringLiteral("/gone.png"), errorPage, 404, QStringLiteral("text/html"));
    server.serve(QStringLiteral("/empty.gif"), QByteArray());
    server.serve(QStringLiteral("/exact.png"), binaryBody(static_cast<int>(testLimits().maxBytes), 3));
    server.serve(QStringLiteral("/new/pic.png"), body);
    server.redirect(QStringLiteral("/old/pic.png"), QStringLiteral("/new/pic.png"), 301);

    const struct {
        const char* path;
        QByteArray body;
    } cases[] = {
        { "/pic.png", body },
        // An error page is written, and the fetch succeeds.
        { "/gone.png", errorPage },
        { "/empty.gif", QByteArray() },
        { "/exact.png", binaryBody(static_cast<int>(testLimits().maxBytes), 3) },
        // A redirect is followed.
        { "/old/pic.png", body },
    };
    for (const auto& c : cases) {
        dir.write(QStringLiteral("picture"), QByteArray(70000, 'x'));
        const Status status = fetcher.fetch(server.url(QString::fromLatin1(c.path)), target);
        ASSERT_TRUE(status.ok()) << c.path << ": " << describe(status);
        EXPECT_EQ(slurp(target), c.body) << c.path;
    }
    EXPECT_EQ(server.hits(QStringLiteral("/new/pic.png")), 1);
}

TEST_F(CurlFetcherTest, FailuresNameTheirCauseAndLeaveTheTargetEmpty)
{
    UnlistenedPort closed;
    ASSERT_GT(closed.port, 0);
    server.redirect(QStringLiteral("/a"), QStringLiteral("/b"));
    server.redirect(QStringLiteral("/b"), server.url(QStringLiteral("/a")));
    server.redirect(QStringLiteral("/sneaky.png"), QStringLiteral("file:///etc/passwd"));
    server.serve(QStringLiteral("/big.png"), binaryBody(testLimits().maxBytes + 1));
    server.serveSlowly(QStringLiteral("/slow.png"), binaryBody(100), 30s);
    // Far more than the limit and sent in chunks without Content-Length: only a
    // check while streaming stops it early.
    server.server().Get("/endless.png", [](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider(
            "application/octet-stream", [](size_t, httplib::DataSink& sink) {
                const QByteArray chunk = binaryBody(8192);
                return sink.write(chunk.constData(), static_cast<size_t>(chunk.size()));
            });
    });

    const struct {
        QString address;
        ErrorCode code;
    } cases[] = {
        // Other schemes are refused before anything is read.
        { QStringLiteral("file:///etc/passwd"), ErrorCode::UnsupportedAddress },
        { QStringLiteral("gopher://127.0.0.1:%1/1").arg(server.port()), ErrorCode::UnsupportedAddress },
        { QStringLiteral("dict://127.0.0.1:%1/d:picture").arg(server.port()), ErrorCode::UnsupportedAddress },
        { QStringLiteral("gopher:"), ErrorCode::UnsupportedAddress },
        { QString(), ErrorCode::UnsupportedAddress },
        { server.url(QStringLiteral("/sneaky.png")), ErrorCode::UnsupportedAddress },
        { server.url(QStringLiteral("/a")), ErrorCode::TooManyRedirects },
        { QStringLiteral("http://127.0.0.1:%1/pic.png").arg(closed.port), ErrorCode::ConnectFailed },
        { server.url(QStringLiteral("/big.png")), ErrorCode::TransferTooLarge },
        { server.url(QStringLiteral("/endless.png")), ErrorCode::TransferTooLarge },
        { server.url(QStringLiteral("/slow.png")), ErrorCode::TransferTimedOut },
    };
    TransferLimits limits = testLimits();
    limits.totalTimeout = 1s;
    CurlFetcher impatient(limits);
    for (const auto& c : cases) {
        dir.write(QStringLiteral("picture"), "stale");
        const Status status = impatient.fetch(c.address, target);
        ASSERT_FALSE(status.ok()) << c.address.toStdString();
        EXPECT_EQ(status.failure().errorCode(), c.code)
            << c.address.toStdString() << ": " << describe(status);
        EXPECT_EQ(slurp(target), QByteArray()) << c.address.toStdString();
        if (c.code == ErrorCode::ConnectFailed) {
            // curl's own words, which name the port, reach the user.
            EXPECT_TRUE(status.failure().description.contains(QString::number(closed.port)))
                << describe(status);
        }
    }
    // The first request and testLimits().maxRedirects more, then no further.
    EXPECT_EQ(server.hits(QStringLiteral("/a")) + server.hits(QStringLiteral("/b")), 5);
}

TEST_F(CurlFetcherTest, TargetInAMissingFolderFailsAndFetchesNothing)
{
    server.serve(QStringLiteral("/pic.png"), binaryBody(100));
    const Status status
        = fetcher.fetch(server.url(QStringLiteral("/pic.png")), dir.file("no/such/folder/picture"));
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure().code, 76) << describe(status);
    EXPECT_EQ(server.hits(QStringLiteral("/pic.png")), 0);
}

TEST_F(CurlFetcherTest, SeparateFetchersRunAtTheSameTime)
{
    constexpr int threads = 4;
    constexpr int fetchesEach = 5;
    const auto body = [](int t, int i) { return binaryBody(30000, static_cast<char>(t * 10 + i)); };
    for (int t = 0; t < threads; ++t)
        for (int i = 0; i < fetchesEach; ++i)
            server.serve(QStringLiteral("/t%1/%2").arg(t).arg(i), body(t, i));

    std::vector<int> good(threads, 0);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            CurlFetcher own(testLimits());
            for (int i = 0; i < fetchesEach; ++i) {
                const QString file = dir.file(QStringLiteral("t%1-%2").arg(t).arg(i));
                if (own.fetch(server.url(QStringLiteral("/t%1/%2").arg(t).arg(i)), file).ok()
                    && slurp(file) == body(t, i))
                    ++good[t];
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(good, std::vector<int>(threads, fetchesEach));
}

// Only the start of a large picture is fetched when its header tells the size,
// whether the server sends the part asked for or the whole picture.
TEST_F(CurlFetcherTest, HeaderOnlyFetchStopsOnceAnAvifHeaderTellsTheSize)
{
    const QByteArray avif = test::makeAvif({ "avif", 640, 480, 1, 400000 });
    server.serve(QStringLiteral("/big.avif"), avif, 200, QStringLiteral("image/avif"));
    // Sent in chunks, which leaves no room for a part: the whole picture comes.
    // The server may still be sending after the test's body ends, so it keeps
    // its own copy of the picture.
    server.server().Get("/whole.avif", [avif](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("image/avif", [avif](size_t offset, httplib::DataSink& sink) {
            if (offset < size_t(avif.size()))
                return sink.write(avif.constData() + offset, std::min<size_t>(8192, avif.size() - offset));
            sink.done();
            return true;
        });
    });
    TransferLimits limits = testLimits();
    limits.headerOnly = true;
    limits.maxBytes = 1024 * 1024;
    CurlFetcher headerOnly(limits);
    for (const char* path : { "/big.avif", "/whole.avif" }) {
        SCOPED_TRACE(path);
        const Status status = headerOnly.fetch(server.url(QString::fromLatin1(path)), target);
        ASSERT_TRUE(status.ok()) << describe(status);
        EXPECT_LT(QFileInfo(target).size(), avif.size());
        const auto measured = MeasurePicture(target);
        ASSERT_TRUE(measured.ok()) << measured.failure().toString().toStdString();
        EXPECT_EQ(*measured, (PictureSize { 480, 640 }));
    }
}

// --- The run's download area ------------------------------------------------

class DownloadAreaTest : public CurlFetcherTest {
protected:
    QString fileName(const Result<QString>& path) const
    {
        return path.ok() ? QFileInfo(*path).fileName() : path.failure().toString();
    }
    DownloadArea area { fetcher };
};

TEST_F(DownloadAreaTest, NumbersEachDownloadInTurnUntilTheLastNumber)
{
    UnlistenedPort closed;
    const QByteArray body = binaryBody(2000, 1);
    server.serve(QStringLiteral("/pic.png"), body);
    server.serve(QStringLiteral("/small.png"), "small");
    const QString picture = server.url(QStringLiteral("/pic.png"));

    const Result<QString> first = area.DownloadImage(picture);
    ASSERT_EQ(fileName(first), "temp.001");
    EXPECT_EQ(slurp(*first), body);
    EXPECT_EQ(QFileInfo(*first).absolutePath(), QFileInfo(area.folder()).absoluteFilePath());
    EXPECT_EQ(QFileInfo(area.folder()).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());

    // A failed fetch uses up its number.
    const Result<QString> failed
        = area.DownloadImage(QStringLiteral("http://127.0.0.1:%1/x.png").arg(closed.port));
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.failure().errorCode(), ErrorCode::ConnectFailed);
    EXPECT_EQ(fileName(area.DownloadImage(picture)), "temp.003");

    // A name used again holds only the new picture.
    area.setCounter(0);
    const Result<QString> again = area.DownloadImage(server.url(QStringLiteral("/small.png")));
    ASSERT_EQ(fileName(again), "temp.001");
    EXPECT_EQ(slurp(*again), "small");

    area.setCounter(998);
    EXPECT_EQ(fileName(area.DownloadImage(picture)), "temp.999");
    EXPECT_EQ(fileName(area.DownloadImage(picture)), "temp.1000");

    area.setCounter(32766);
    EXPECT_EQ(fileName(area.DownloadImage(picture)), "temp.32767");
    const int hits = server.hits(QStringLiteral("/pic.png"));
    const Result<QString> beyond = area.DownloadImage(picture);
    ASSERT_FALSE(beyond.ok());
    EXPECT_EQ(beyond.failure().code, 6);
    EXPECT_EQ(server.hits(QStringLiteral("/pic.png")), hits);
    EXPECT_EQ(area.counter(), 32767);
}

TEST_F(DownloadAreaTest, RemoveAllAndTheEndOfTheAreaLeaveNoFolder)
{
    area.removeAll();
    EXPECT_TRUE(area.folder().isEmpty());

    server.serve(QStringLiteral("/pic.png"), binaryBody(100));
    const QString picture = server.url(QStringLiteral("/pic.png"));
    ASSERT_TRUE(area.DownloadImage(picture).ok());
    ASSERT_TRUE(area.DownloadImage(picture).ok());
    const QString firstFolder = area.folder();
    ASSERT_TRUE(QFileInfo(firstFolder).isDir());
    area.removeAll();
    EXPECT_FALSE(QFileInfo::exists(firstFolder));
    EXPECT_EQ(area.counter(), 0);
    EXPECT_EQ(fileName(area.DownloadImage(picture)), "temp.001");
    EXPECT_NE(area.folder(), firstFolder);

    QString folder;
    {
        DownloadArea run(fetcher);
        ASSERT_TRUE(run.DownloadImage(picture).ok());
        folder = run.folder();
        ASSERT_TRUE(QFileInfo(folder).isDir());
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
}

// --- ftp --------------------------------------------------------------------

// pyftpdlib from Debian's python3-pyftpdlib, serving a folder read-only to
// anonymous users on a loopback port; the test is skipped without it.
TEST_F(CurlFetcherTest, FtpPictureArrivesByteForByteAndAMissingOneIsNotFound)
{
    const QString python = QStringLiteral("/usr/bin/python3");
    QProcess probe;
    probe.start(python, { QStringLiteral("-c"), QStringLiteral("import pyftpdlib") });
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        GTEST_SKIP() << "ftp needs /usr/bin/python3 with pyftpdlib (Debian package python3-pyftpdlib)";

    const int port = UnlistenedPort().port;
    ASSERT_GT(port, 0);
    const QByteArray body = binaryBody(30000, 3);
    TempDir served;
    served.write(QStringLiteral("pic.png"), body);
    QProcess ftpd;
    ftpd.setProcessChannelMode(QProcess::MergedChannels);
    ftpd.setStandardOutputFile(dir.file(QStringLiteral("ftpd.log")));
    ftpd.start(python,
        { QStringLiteral("-m"), QStringLiteral("pyftpdlib"), QStringLiteral("-i"),
            QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port), QStringLiteral("-d"),
            served.path() });
    const auto stop = qScopeGuard([&] {
        ftpd.kill();
        ftpd.waitForFinished(5000);
    });
    ASSERT_TRUE(ftpd.waitForStarted(10000)) << ftpd.errorString().toStdString();
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!portAccepts(port)) {
        ASSERT_EQ(ftpd.state(), QProcess::Running)
            << "pyftpdlib ended early: " << dir.read(QStringLiteral("ftpd.log")).toStdString();
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "pyftpdlib never accepted on " << port;
        std::this_thread::sleep_for(20ms);
    }

    const QString address = QStringLiteral("ftp://127.0.0.1:%1/").arg(port);
    const Status status = fetcher.fetch(address + "pic.png", target);
    ASSERT_TRUE(status.ok()) << describe(status);
    EXPECT_EQ(slurp(target), body);
    const Status missing = fetcher.fetch(address + "missing.png", target);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.failure().errorCode(), ErrorCode::TransferNotFound) << describe(missing);
}

} // namespace
} // namespace quillon
