// What header-only, concurrent transfers save on a site whose pictures are
// remote: a loopback HTTP server holds the pictures and answers every request
// only after a delay, as a distant server would. quillon-tag --online tags the
// site; the comparison fetches every picture whole, one after the other.
//
// Usage: quillon_download_bench [--tool PATH] [--pictures N] [--delay-ms MS] [--runs N]

#include "engine/fetch/CurlFetcher.h"
#include "platform/ProgramFolder.h"
#include "tests/support/Pictures.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Picture {
    QString name;
    QByteArray bytes;
    int width = 0;
    int height = 0;
};

// Noise does not compress, so a PNG or JPEG of it stays a few hundred KiB.
QByteArray noise(int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(width * 7919 + height));
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    writer.write(image);
    return bytes;
}

std::vector<Picture> makePictures(int count)
{
    std::vector<Picture> pictures;
    QRandomGenerator random(1);
    for (int i = 0; i < count; ++i) {
        Picture p;
        p.width = 300 + random.bounded(120);
        p.height = 240 + random.bounded(120);
        switch (i % 3) {
        case 0:
            p.name = QStringLiteral("p%1.bmp").arg(i, 3, 10, QChar(u'0'));
            p.bytes = quillon::test::makePicture(QStringLiteral("bmp"), p.width, p.height);
            break;
        case 1:
            p.name = QStringLiteral("p%1.png").arg(i, 3, 10, QChar(u'0'));
            p.bytes = noise(p.width, p.height, "png");
            break;
        default:
            p.name = QStringLiteral("p%1.jpg").arg(i, 3, 10, QChar(u'0'));
            p.bytes = noise(p.width, p.height, "jpg");
            break;
        }
        pictures.push_back(std::move(p));
    }
    return pictures;
}

// httplib listens with a backlog of 5: when eight transfers connect at once,
// the kernel drops the connects beyond it and the client tries again only a
// second later, which would time the server rather than the tool. Listening
// again on the same socket only changes its backlog.
void widenBacklog(int port)
{
    for (int fd = 0; fd < 1024; ++fd) {
        int accepting = 0;
        socklen_t length = sizeof accepting;
        sockaddr_in address {};
        socklen_t addressLength = sizeof address;
        if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &accepting, &length) == 0 && accepting
            && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &addressLength) == 0
            && address.sin_family == AF_INET && ntohs(address.sin_port) == port) {
            ::listen(fd, 128);
            return;
        }
    }
}

// Serves /pics/NAME after a delay, ranges honoured, counting requests and body bytes sent.
class PictureServer {
public:
    PictureServer(const std::vector<Picture>& pictures, std::chrono::milliseconds delay)
    {
        for (const Picture& p : pictures)
            m_bodies.emplace("/pics/" + p.name.toStdString(), p.bytes.toStdString());
        // More workers than transfers, so no request waits for a worker.
        m_server.new_task_queue = [] { return new httplib::ThreadPool(32); };
        m_server.set_keep_alive_timeout(1);
        m_server.set_tcp_nodelay(true);
        m_server.Get(
            R"(/pics/.*)", [this, delay](const httplib::Request& request, httplib::Response& response) {
                ++m_requests;
                std::this_thread::sleep_for(delay);
                const auto it = m_bodies.find(request.path);
                if (it == m_bodies.end()) {
                    response.status = 404;
                    return;
                }
                const std::string& body = it->second;
                response.set_content_provider(body.size(), "application/octet-stream",
                    [this, &body](size_t offset, size_t length, httplib::DataSink& sink) {
                        const size_t piece = std::min<size_t>(length, 65536);
                        if (!sink.write(body.data() + offset, piece))
                            return false;
                        m_bytes += static_cast<qint64>(piece);
                        return true;
                    });
            });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        if (m_port <= 0)
            qFatal("no free port on 127.0.0.1");
        widenBacklog(m_port);
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~PictureServer()
    {
        m_server.stop();
        m_thread.join();
    }

    QString url(const QString& name) const
    {
        return QStringLiteral("http://127.0.0.1:%1/pics/%2").arg(m_port).arg(name);
    }
    void resetCounts()
    {
        m_requests = 0;
        m_bytes = 0;
    }
    int requests() const { return m_requests; }
    qint64 bytes() const { return m_bytes; }

private:
    std::map<std::string, std::string> m_bodies;
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = -1;
    std::atomic<int> m_requests { 0 };
    std::atomic<qint64> m_bytes { 0 };
};

struct Timing {
    double seconds = 0;
    int requests = 0;
    qint64 bytes = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Every picture named twice over the site, in a shuffled order, on 20 pages.
void writeSite(const QString& folder, const std::vector<Picture>& pictures, const PictureServer& server)
{
    QDir().mkpath(folder);
    std::vector<size_t> order;
    for (int twice = 0; twice < 2; ++twice) {
        for (size_t i = 0; i < pictures.size(); ++i)
            order.push_back(i);
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    const size_t perPage = (order.size() + 19) / 20;
    for (size_t page = 0; page * perPage < order.size(); ++page) {
        QByteArray html = "<html><body>\n";
        for (size_t k = page * perPage; k < std::min(order.size(), (page + 1) * perPage); ++k)
            html += "<p><img src=\"" + server.url(pictures[order[k]].name).toUtf8() + "\"></p>\n";
        html += "</body></html>\n";
        writeFile(QStringLiteral("%1/page%2.html").arg(folder).arg(page, 2, 10, QChar(u'0')), html);
    }
}

// How many tags of the site carry the size their picture has.
int rightlySized(const QString& folder, const std::vector<Picture>& pictures)
{
    int right = 0;
    const QStringList pages = QDir(folder).entryList({ QStringLiteral("*.html") }, QDir::Files);
    for (const QString& page : pages) {
        QFile file(folder + u'/' + page);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray html = file.readAll();
        for (const Picture& p : pictures) {
            right += static_cast<int>(html.count(
                QStringLiteral("/%1\" WIDTH=%2 HEIGHT=%3").arg(p.name).arg(p.width).arg(p.height).toUtf8()));
        }
    }
    return right;
}

Timing runTool(const QString& tool, const QString& folder, const std::vector<Picture>& pictures,
    PictureServer& server, int expectedTags)
{
    writeSite(folder, pictures, server);
    server.resetCounts();
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start(
        tool, { QStringLiteral("--online"), QStringLiteral("--no-backup"), QStringLiteral("-q"), folder });
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        qFatal("quillon-tag failed: %s", process.readAllStandardOutput().constData());
    Timing t { clock.nsecsElapsed() / 1e9, server.requests(), server.bytes() };
    const int right = rightlySized(folder, pictures);
    if (right != expectedTags)
        qFatal("only %d of %d tags got their picture's size", right, expectedTags);
    return t;
}

Timing fetchOneByOne(
    bool headerOnly, const QString& target, const std::vector<Picture>& pictures, PictureServer& server)
{
    quillon::TransferLimits limits;
    limits.headerOnly = headerOnly;
    quillon::CurlFetcher fetcher(limits);
    server.resetCounts();
    QElapsedTimer clock;
    clock.start();
    for (const Picture& p : pictures) {
        if (!fetcher.fetch(server.url(p.name), target).ok())
            qFatal("fetching %s failed", qPrintable(p.name));
    }
    return { clock.nsecsElapsed() / 1e9, server.requests(), server.bytes() };
}

void printRow(const char* what, const std::vector<Timing>& runs)
{
    std::vector<double> seconds;
    for (const Timing& t : runs)
        seconds.push_back(t.seconds);
    std::printf("%-44s %8.2f %9d %12.1f\n", what, median(seconds), runs.back().requests,
        static_cast<double>(runs.back().bytes) / 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString tool = quillon::programFolder() + QStringLiteral("/quillon-tag");
    int count = 200;
    int delayMs = 50;
    int runs = 3;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QStringLiteral("--tool"))
            tool = args[i + 1];
        else if (args[i] == QStringLiteral("--pictures"))
            count = std::max(1, args[i + 1].toInt());
        else if (args[i] == QStringLiteral("--delay-ms"))
            delayMs = std::max(0, args[i + 1].toInt());
        else if (args[i] == QStringLiteral("--runs"))
            runs = std::max(1, args[i + 1].toInt());
        else
            qFatal("unknown option %s", qPrintable(args[i]));
    }

    const std::vector<Picture> pictures = makePictures(count);
    qint64 total = 0, smallest = std::numeric_limits<qint64>::max(), largest = 0;
    for (const Picture& p : pictures) {
        total += p.bytes.size();
        smallest = std::min<qint64>(smallest, p.bytes.size());
        largest = std::max<qint64>(largest, p.bytes.size());
    }
    PictureServer server(pictures, std::chrono::milliseconds(delayMs));
    QTemporaryDir dir;
    const int tags = 2 * count;

    std::printf("%d pictures of %.0f to %.0f KiB, %.1f KiB in all; every answer %d ms late; "
                "%d tags on 20 pages; median of %d runs\n\n",
        count, smallest / 1024.0, largest / 1024.0, total / 1024.0, delayMs, tags, runs);
    std::vector<Timing> tool8, whole, heads;
    for (int r = 0; r < runs; ++r) {
        tool8.push_back(runTool(tool, dir.filePath(QStringLiteral("site")), pictures, server, tags));
        whole.push_back(fetchOneByOne(false, dir.filePath(QStringLiteral("whole.tmp")), pictures, server));
        heads.push_back(fetchOneByOne(true, dir.filePath(QStringLiteral("head.tmp")), pictures, server));
    }
    std::printf("%-44s %8s %9s %12s\n", "", "seconds", "requests", "KiB sent");
    printRow("quillon-tag --online (8 at once, header-only)", tool8);
    printRow("whole pictures, one after the other", whole);
    printRow("header-only, one after the other", heads);
    return 0;
}
